#!/usr/bin/env bash
# Varnel's benchmark: installs what is missing, builds the programs it measures and runs them side
# by side in a Wine session of its own. Prints figures and a table; never fails for being slow.
#   bench/run.sh [--runs N] [--only TEXT,...] [--varnel EXE] [--before EXE] [--bare-x]
# See bench/README.md for what is measured and how.
set -euo pipefail
source "$(dirname "$0")/../scripts/lib.sh"
# The builds given on the command line are found from where it was typed.
caller=$PWD
cd "$VARNEL_ROOT"

# Only the benchmark needs these: the peer it is compared with and the X watcher's library.
VARNEL_PACKAGES+=(xpad python3-xlib)
varnel_install_packages

varnel_say "building varnel.exe, the floor program, the journal timing and the probe"
cmake --preset windows >/dev/null
cmake --build --preset windows -j"$(nproc)" --target varnel varnel_floor varnel_journal_write varnel_probe >/dev/null

cd "$caller"
VARNEL_TEST_PREFIX="$VARNEL_CACHE/wine-bench" \
  exec "$VARNEL_ROOT/scripts/with-wine.sh" /usr/bin/python3 "$VARNEL_ROOT/bench/measure.py" \
  --work "$VARNEL_CACHE/bench" "$@"
