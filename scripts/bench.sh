#!/usr/bin/env bash
# Builds and runs every benchmark (release build, 5 repetitions, medians).
# Usage: bash scripts/bench.sh [benchmark-name-filter]
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DKELVARA_BUILD_TESTS=OFF >/dev/null
cmake --build build-bench -j"$(nproc 2>/dev/null || echo 2)"
for b in build-bench/bench/*; do
  [ -f "$b" ] && [ -x "$b" ] || continue
  case "$(basename "$b")" in *${1:-}*) ;; *) continue ;; esac
  echo "==== $(basename "$b")"
  "$b" --benchmark_repetitions=5 --benchmark_report_aggregates_only=true \
       --benchmark_display_aggregates_only=true | grep -E 'median|Benchmark|---'
done
