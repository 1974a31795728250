#!/usr/bin/env bash
# Builds a Release tree, runs every benchmark with JSON output, and rewrites
# bench/README.md's results tables from that output.
#   scripts/bench.sh
# Environment: VENDORCENTER_BENCH_BUILD_DIR (default build/bench),
#              VENDORCENTER_BENCH_REPETITIONS (default 3; the tables show the median).
set -euo pipefail
cd "$(dirname "$0")/.."

build=${VENDORCENTER_BENCH_BUILD_DIR:-build/bench}
repetitions=${VENDORCENTER_BENCH_REPETITIONS:-3}
results=$build/bench-results

cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DVENDORCENTER_BUILD_BENCHMARKS=ON >/dev/null
cmake --build "$build" -j"$(nproc)" \
  --target vendorcenter_bench_control vendorcenter_bench_server vendorcenter_bench_memory \
  vendorcenter_bench_journal vendorcenter_bench_end_to_end vendorcenter-server
mkdir -p "$results"

export QT_QPA_PLATFORM=offscreen LC_ALL=C.UTF-8 LANG=C.UTF-8 QT_LOGGING_RULES='qt.qpa.*=false'
load_before=$(cut -d' ' -f1-3 /proc/loadavg)

# The end-to-end runs first, on a rested machine: its absolute times are what
# a clerk feels, and on a small virtual machine minutes of full load slow
# what runs after them by a fifth or more. The other benchmarks are judged
# against floors measured in the same run.
"$build/bench/vendorcenter_bench_end_to_end" --out "$results/end-to-end.json"
# PostgreSQL in a throwaway cluster, where Debian's pg_virtualenv can start one.
end_to_end_postgresql=()
if command -v pg_virtualenv >/dev/null && pg_virtualenv -t -- \
    "$build/bench/vendorcenter_bench_end_to_end" --postgresql --out "$results/end-to-end-postgresql.json"; then
  end_to_end_postgresql=(--end-to-end-postgresql "$results/end-to-end-postgresql.json")
fi

# One after the other: they share the machine with nothing of their own.
for program in control server journal; do
  "$build/bench/vendorcenter_bench_$program" \
    --benchmark_repetitions="$repetitions" --benchmark_report_aggregates_only=true \
    --benchmark_out="$results/$program.json" --benchmark_out_format=json
done
"$build/bench/vendorcenter_bench_memory" --out "$results/memory.json"

load_after=$(cut -d' ' -f1-3 /proc/loadavg)
python3 bench/make_results_table.py \
  --control "$results/control.json" --server "$results/server.json" --memory "$results/memory.json" \
  --journal "$results/journal.json" \
  --end-to-end "$results/end-to-end.json" "${end_to_end_postgresql[@]}" \
  --load-before "$load_before" --load-after "$load_after" --repetitions "$repetitions" \
  --out bench/README.md >/dev/null
echo "Wrote bench/README.md (raw results in $results)"
