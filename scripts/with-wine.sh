#!/usr/bin/env bash
# Runs a command with a Wine session of its own for tests: its own Xvfb display, the test
# prefix, and one persistent wineserver, all stopped again afterwards.
#   scripts/with-wine.sh COMMAND [ARGS...]
set -euo pipefail
source "$(dirname "$0")/lib.sh"

varnel_locale
prefix=${VARNEL_TEST_PREFIX:-$VARNEL_CACHE/wine-test}
mkdir -p "$(dirname "$prefix")"
# One session per prefix at a time: a second one would share, and then kill, the first one's
# wineserver.
exec 9>"$prefix.lock"
if ! flock -n 9; then
  varnel_say "waiting for another test session on $prefix"
  flock 9
fi
varnel_wine_prefix "$prefix"
varnel_start_xvfb 90

cleanup() {
  wineserver -k >/dev/null 2>&1 || true
  kill "$VARNEL_XVFB_PID" 2>/dev/null || true
  wait "$VARNEL_XVFB_PID" 2>/dev/null || true
}
trap cleanup EXIT

# One server for the whole run: a server that starts with each program keeps the caller's
# stderr open for seconds after the program ends.
# Wine's background processes (the server, the desktop) start here with no standard handles of
# ours: inheriting a test's output pipe, they would keep it open after the test has ended.
wineserver -p </dev/null >/dev/null 2>&1
wine rundll32.exe user32.dll,GetDesktopWindow </dev/null >/dev/null 2>&1 || true

# A Windows program given directly runs through Wine.
if [[ "$1" == *.exe ]]; then
  wine "$@"
else
  "$@"
fi
