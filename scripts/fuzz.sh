#!/usr/bin/env bash
# Builds the fuzz preset (clang, libFuzzer) and runs every fuzz target for a bounded time, split
# evenly between them. Exits non-zero when a target finds a crash, a leak or a broken property;
# the input that found it is kept in build/fuzz/artifacts/.
#   scripts/fuzz.sh [TOTAL_SECONDS]    (default 30)
set -euo pipefail
cd "$(dirname "$0")/.."

total=${1:-30}
targets=(record_fuzzer linked_text_fuzzer unsaved_list_fuzzer journal_fuzzer)
corpus_of=(record linked_text unsaved_list journal)
per_target=$(( total / ${#targets[@]} ))
(( per_target >= 1 )) || per_target=1

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j2 --target "${targets[@]}" >/dev/null

artifacts=build/fuzz/artifacts
mkdir -p "$artifacts"
status=0
for i in "${!targets[@]}"; do
  target=${targets[$i]}
  # New inputs go to a scratch corpus; the committed seeds are only read.
  scratch=$(mktemp -d)
  echo "[fuzz] $target for ${per_target}s" >&2
  if ! "build/fuzz/tests/fuzz/$target" -max_total_time="$per_target" -timeout=10 -rss_limit_mb=2048 \
      -print_final_stats=0 -artifact_prefix="$artifacts/$target-" \
      "$scratch" "tests/fuzz/corpus/${corpus_of[$i]}" 2>"$artifacts/$target.log"; then
    echo "[fuzz] $target FAILED; see $artifacts/$target.log" >&2
    tail -n 30 "$artifacts/$target.log" >&2
    status=1
  fi
  rm -rf "$scratch"
done
exit $status
