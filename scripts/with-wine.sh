#!/usr/bin/env bash
# Runs a command with a Wine session of its own for tests: its own Xvfb display, the test
# prefix, and one persistent wineserver, all stopped again afterwards.
#   scripts/with-wine.sh COMMAND [ARGS...]
set -euo pipefail
source "$(dirname "$0")/lib.sh"

varnel_locale
varnel_wine_prefix "${VARNEL_TEST_PREFIX:-$VARNEL_CACHE/wine-test}"
varnel_start_xvfb 90

cleanup() {
  wineserver -k >/dev/null 2>&1 || true
  kill "$VARNEL_XVFB_PID" 2>/dev/null || true
  wait "$VARNEL_XVFB_PID" 2>/dev/null || true
}
trap cleanup EXIT

# One server for the whole run: a server that starts with each program keeps the caller's
# stderr open for seconds after the program ends.
wineserver -p
wine cmd /c exit >/dev/null 2>&1 || true

# A Windows program given directly runs through Wine.
if [[ "$1" == *.exe ]]; then
  wine "$@"
else
  "$@"
fi
