#!/usr/bin/env bash
# Builds the benchmarks in Release (build-bench), runs them with repetitions and prints one
# summary table: each case, its baseline, the ratio, the target and whether it is met.
#   scripts/bench.sh [--quick]
# --quick runs fewer repetitions (a smoke run; the figures are rougher).
# Results (Google Benchmark JSON, memory probes, the table) stay in build-bench/bench/results.
set -euo pipefail
cd "$(dirname "$0")/.."

build=build-bench
reps=5
big_reps=3
min_time=0.1
if [ "${1:-}" = "--quick" ]; then
  reps=2
  big_reps=1
  min_time=0.05
fi

jobs=$(nproc 2>/dev/null || echo 2)
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DORV_BUILD_BENCH=ON \
  -DORV_BUILD_TESTS=OFF -DORV_BUILD_TOOLS=ON -DORV_BUILD_FUZZ=OFF >/dev/null
cmake --build "$build" -j"$jobs" --target orv_bench orv_bench_memory >/dev/null

bin=$build/bench/inst/bin
work=$build/bench/work
out=$build/bench/results
mkdir -p "$out"
rm -f "$out"/*.json "$out"/memory.txt

run() { # name, filter, repetitions
  echo "bench: $1 ..." >&2
  "$bin/orv_bench" --orv-work="$work" --benchmark_filter="$2" \
    --benchmark_repetitions="$3" --benchmark_report_aggregates_only=true \
    --benchmark_min_time="$min_time" \
    --benchmark_out="$out/$1.json" --benchmark_out_format=json >/dev/null
}

# The 10 MB cases take seconds per run: fewer repetitions, the same medians.
run small '-10MB' "$reps"
run large '10MB' "$big_reps"

echo "bench: peak memory ..." >&2
for mode in pipeline xerces; do
  for doc in 1MB 10MB; do
    "$bin/orv_bench_memory" "$mode" "$work/$doc.xml" "$work/min.xml" >>"$out/memory.txt"
  done
done

python3 bench/summarize.py "$out" | tee "$out/summary.md"
