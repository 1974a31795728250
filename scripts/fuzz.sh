#!/usr/bin/env bash
# Builds the libFuzzer targets (fuzz/) with clang, ASan and UBSan, and runs
# each for a bounded time from its seed corpus (tests/fuzz-corpus/<target>).
#   scripts/fuzz.sh [seconds-per-target]     (default 8: about a minute in all)
# FUZZ_BUILD_DIR picks the build directory (default build/fuzz). Prints one
# line per target and exits non-zero when any target crashed, leaked, hung or
# broke one of its checks; the input that did it is kept under
# <build>/findings/ and its path printed.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-8}
if ! [[ "$seconds" =~ ^[0-9]+$ ]] || [ "$seconds" -lt 1 ]; then
  echo "usage: scripts/fuzz.sh [seconds-per-target]" >&2
  exit 2
fi
build=${FUZZ_BUILD_DIR:-build/fuzz}
jobs=$(nproc)

cmake -S fuzz -B "$build" -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j"$jobs" >/dev/null

targets=(fuzz_read_counts fuzz_read_active_rows fuzz_read_selected_rows fuzz_url_encode fuzz_form_decoding
         fuzz_statement_parser)
export LC_ALL=C.UTF-8 LANG=C.UTF-8
export ASAN_OPTIONS=abort_on_error=1:detect_leaks=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

failed=0
for target in "${targets[@]}"; do
  # New inputs go to a scratch corpus, so the seeds in the checkout stay as they are.
  corpus="$build/corpus/$target"
  findings="$build/findings"
  mkdir -p "$corpus" "$findings"
  log="$build/$target.log"
  started=$(date +%s)
  status=0
  "$build/$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=16384 \
    -print_final_stats=1 -artifact_prefix="$findings/$target-" \
    "$corpus" "tests/fuzz-corpus/$target" >"$log" 2>&1 || status=$?
  elapsed=$(( $(date +%s) - started ))
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  if [ "$status" -eq 0 ]; then
    echo "fuzz $target: ${runs:-0} runs in ${elapsed} s, no finding"
  else
    failed=1
    artifact=$(sed -n 's/.*Test unit written to \(.*\)$/\1/p' "$log" | tail -1)
    echo "fuzz $target: FAILED after ${runs:-?} runs in ${elapsed} s (exit $status); input: ${artifact:-none}; log: $log"
    grep -m 5 -E 'ERROR|SUMMARY|runtime error|deadly signal' "$log" | sed 's/^/    /' || true
  fi
done
exit "$failed"
