#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (build-fuzz/) and runs each one for
# the given number of seconds (default 30), starting from the seed corpora
# made from the pattern scene. Fails on any crash, leak, timeout or
# sanitizer report; what libFuzzer found is left in build-fuzz/fuzz/.
# Usage: bash scripts/fuzz.sh [seconds] [target ...]
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-30}
shift || true
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(fuzz_replies fuzz_uart_framing fuzz_requests fuzz_pipe_message fuzz_angle_table fuzz_profile fuzz_recording)
jobs=$(nproc 2>/dev/null || echo 2)
dir=build-fuzz

cmake -S . -B "$dir" -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DKELVARA_BUILD_FUZZ=ON \
  -DKELVARA_BUILD_TESTS=OFF -DKELVARA_BUILD_GUI=OFF -DKELVARA_BUILD_VIEWER=OFF -DKELVARA_BUILD_EXPORT=OFF \
  -DKELVARA_BUILD_BENCH=OFF >/dev/null
cmake --build "$dir" -j"$jobs" --target make_fuzz_seeds "${targets[@]}"

seeds="$dir/fuzz/seeds"
"$dir/fuzz/make_fuzz_seeds" "$seeds"

export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
failed=()
for t in "${targets[@]}"; do
  corpus="$dir/fuzz/corpus/$t"
  mkdir -p "$corpus"
  echo "==== $t: ${seconds} s"
  log="$dir/fuzz/$t.log"
  # New inputs go to the corpus, the seeds are only read; -rss_limit_mb
  # and -timeout turn runaway memory and hangs into failures.
  if (cd "$dir/fuzz" && "./$t" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
        -print_final_stats=1 "corpus/$t" "seeds/$t") >"$log" 2>&1; then
    grep -E '^stat::number_of_executed_units|^stat::average_exec_per_sec' "$log" | sed "s/^/$t /"
  else
    echo "$t FAILED (see $log):" >&2
    tail -n 40 "$log" >&2
    failed+=("$t")
  fi
done
if [ ${#failed[@]} -gt 0 ]; then
  echo "==== fuzzing found faults in: ${failed[*]}" >&2
  exit 1
fi
echo "==== fuzzing passed (${targets[*]}, ${seconds} s each)"
