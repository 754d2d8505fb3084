#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (ASan + UBSan) and runs each one for a fixed
# budget, starting from its committed seed corpus.
#   scripts/fuzz.sh [seconds-per-target] [target...]
# Fails when a target crashes, leaks, trips a sanitizer, hangs or runs out of memory, and
# prints the executions of every target. Inputs that failed are kept in
# build-fuzz/fuzz-artifacts/; corpora grown by earlier runs in build-fuzz/fuzz-corpus/.
set -euo pipefail
cd "$(dirname "$0")/.."

budget=${1:-30}
shift || true
build=build-fuzz
jobs=$(nproc 2>/dev/null || echo 2)

CC=clang CXX=clang++ cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DORV_BUILD_FUZZ=ON -DORV_BUILD_TESTS=OFF -DORV_BUILD_TOOLS=OFF -DORV_BUILD_BENCH=OFF >/dev/null

if [ $# -gt 0 ]; then
  targets=("$@")
else
  targets=()
  for src in fuzz/fuzz_*.cpp; do
    name=$(basename "$src" .cpp)
    targets+=("${name#fuzz_}")
  done
fi

build_targets=()
for t in "${targets[@]}"; do build_targets+=("fuzz_$t"); done
cmake --build "$build" -j"$jobs" --target "${build_targets[@]}"

export ASAN_OPTIONS=detect_leaks=1:halt_on_error=1:abort_on_error=0:allocator_may_return_null=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

mkdir -p "$build/fuzz-artifacts" "$build/fuzz-logs"
failed=()
summary=()
for t in "${targets[@]}"; do
  corpus="$build/fuzz-corpus/$t"
  seeds="fuzz/corpus/$t"
  log="$build/fuzz-logs/$t.log"
  mkdir -p "$corpus" "$seeds"
  echo "fuzz: $t for ${budget}s" >&2
  dict=()
  [ -f "fuzz/$t.dict" ] && dict=(-dict="fuzz/$t.dict")
  status=0
  # A single input that takes 20 s or grows past 2 GB counts as a finding (hang, blow-up).
  "$build/fuzz/fuzz_$t" -max_total_time="$budget" -timeout=20 -rss_limit_mb=2048 \
    -print_final_stats=1 -artifact_prefix="$build/fuzz-artifacts/$t-" "${dict[@]}" \
    "$corpus" "$seeds" >"$log" 2>&1 || status=$?
  execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  execs=${execs:-?}
  if [ "$status" -ne 0 ] || grep -qE 'ERROR: (AddressSanitizer|LeakSanitizer|libFuzzer)|runtime error:' "$log"; then
    failed+=("$t")
    summary+=("$(printf '%-16s %12s  FAILED (see %s)' "$t" "$execs" "$log")")
    tail -n 60 "$log" >&2
  else
    summary+=("$(printf '%-16s %12s  ok' "$t" "$execs")")
  fi
done

printf '%-16s %12s\n' target executions
printf '%s\n' "${summary[@]}"
if [ ${#failed[@]} -gt 0 ]; then
  echo "fuzz: failures in ${failed[*]}; inputs in $build/fuzz-artifacts/" >&2
  exit 1
fi
