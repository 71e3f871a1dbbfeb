#!/usr/bin/env bash
# Installs what is missing, builds every preset and runs every test suite:
# native unit tests (sanitizers), the record reader fuzzer for a bounded time, the Windows unit,
# end-to-end and package tests under Wine in an Xvfb display of their own, and the 32-bit
# package's tests.
#   scripts/test.sh [--long]   --long runs the kill loop and the soak for much longer
set -uo pipefail
source "$(dirname "$0")/lib.sh"
cd "$VARNEL_ROOT"

if [ "${1:-}" = "--long" ]; then
  export VARNEL_KILL_ROUNDS=${VARNEL_KILL_ROUNDS:-200} VARNEL_SOAK_SECONDS=${VARNEL_SOAK_SECONDS:-1800}
fi

varnel_install_packages || { varnel_say "package installation failed"; exit 1; }

passed=0
failed=0
skipped=0
logs=$(mktemp -d)
trap 'rm -rf "$logs"' EXIT

# Adds one ctest run's counts to the totals.
count_ctest() {
  local log=$1 line total fails
  line=$(grep -E 'tests passed, [0-9]+ tests? failed out of [0-9]+' "$log" | tail -n 1)
  if [ -z "$line" ]; then
    failed=$((failed + 1))
    return
  fi
  total=$(sed -E 's/.*out of ([0-9]+).*/\1/' <<<"$line")
  fails=$(sed -E 's/.*passed, ([0-9]+) tests? failed.*/\1/' <<<"$line")
  passed=$((passed + total - fails))
  failed=$((failed + fails))
}

varnel_say "native build and tests"
if varnel_build native; then
  ctest --preset native 2>&1 | tee "$logs/native.log"
  count_ctest "$logs/native.log"
else
  varnel_say "native build failed"
  failed=$((failed + 1))
fi

varnel_say "fuzzing the record reader"
if "$VARNEL_ROOT/scripts/fuzz.sh" "${VARNEL_FUZZ_SECONDS:-30}"; then
  passed=$((passed + 1))
else
  varnel_say "fuzzing found a fault"
  failed=$((failed + 1))
fi

varnel_say "Windows build and tests under Wine"
if varnel_build windows; then
  fault_summary=build/windows/artifacts/fault-summary.jsonl
  rm -f "$fault_summary"
  "$VARNEL_ROOT/scripts/with-wine.sh" ctest --preset windows 2>&1 | tee "$logs/windows.log"
  count_ctest "$logs/windows.log"
  python3 scripts/fault-summary.py "$fault_summary"
else
  varnel_say "Windows build failed"
  failed=$((failed + 1))
fi

# The 32-bit build for older PCs: only the program and its package, checked like the 64-bit one.
varnel_say "32-bit Windows build, package and package tests under Wine"
if varnel_build windows32; then
  only_contents=()
  if ! varnel_has_wine32; then
    varnel_say "skipped: the 32-bit program's start from its package (32-bit Wine is not installed here)"
    only_contents=(-E package_runs)
    skipped=$((skipped + 1))
  fi
  "$VARNEL_ROOT/scripts/with-wine.sh" ctest --preset windows32 "${only_contents[@]}" 2>&1 | tee "$logs/windows32.log"
  count_ctest "$logs/windows32.log"
else
  varnel_say "32-bit Windows build failed"
  failed=$((failed + 1))
fi

echo
if [ "$skipped" -gt 0 ]; then
  echo "${passed} passed, ${failed} failed, ${skipped} skipped"
else
  echo "${passed} passed, ${failed} failed"
fi
[ "$failed" -eq 0 ]
