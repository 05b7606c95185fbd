#!/usr/bin/env bash
# Fault soak: kelvara-capture against kelvara-camsim with dropped, corrupted
# and truncated replies and a link stalled and resumed (SIGSTOP/SIGCONT of
# the simulator), every log type on, in two runs (a polar format: PNG, CSV,
# raw and angle logs; a point format: PCD and CSV). Then every file written
# is checked (scripts/soak_check.py), and the capture's resident memory and
# open descriptors must have stayed flat.
# Usage: bash scripts/soak.sh [seconds]   (default 120, split over the runs)
# The programs come from build/ (KELVARA_SOAK_BUILD overrides), built here
# when missing.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-120}
build=${KELVARA_SOAK_BUILD:-build}
if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S . -B "$build" -DKELVARA_BUILD_BENCH=OFF -DKELVARA_BUILD_GUI=OFF -DKELVARA_BUILD_VIEWER=OFF \
    -DKELVARA_BUILD_EXPORT=OFF >/dev/null
fi
cmake --build "$build" -j"$(nproc 2>/dev/null || echo 2)" --target kelvara-camsim kelvara-capture >/dev/null

work=$(mktemp -d /tmp/kelvara-soak-XXXXXX)
chmod 700 "$work"
mkdir -m 700 "$work/rt" "$work/ports"
export KELVARA_RUNTIME_DIR="$work/rt" KELVARA_PORT_DIR="$work/ports"
sim_pid=""
cleanup() {
  if [ -n "$sim_pid" ]; then
    kill -CONT "$sim_pid" 2>/dev/null || true
    kill -TERM "$sim_pid" 2>/dev/null || true
    wait "$sim_pid" 2>/dev/null || true
  fi
  if [ "${keep:-0}" = 1 ]; then echo "soak: files kept in $work" >&2; else rm -rf "$work"; fi
}
trap cleanup EXIT

"$build/bin/kelvara-camsim" --scene room --drop-every 23 --corrupt-every 17 --truncate-every 19 --seed 5 \
  >"$work/sim.out" 2>"$work/sim.err" &
sim_pid=$!
for _ in $(seq 100); do
  [ -s "$work/sim.out" ] && break
  sleep 0.1
done
port=$(sed -n 's/^COM\([0-9]*\) .*/\1/p' "$work/sim.out")
[ -n "$port" ] || { echo "soak: the simulator did not start" >&2; cat "$work/sim.err" >&2; exit 1; }
echo "soak: simulator on COM$port, ${seconds} s"

vm_rss() { awk '/^VmRSS:/ {print $2}' "/proc/$1/status" 2>/dev/null || echo 0; }
fd_count() { ls "/proc/$1/fd" 2>/dev/null | wc -l; }

failed=0
# run <name> <seconds> <capture options...>
run() {
  local name=$1 length=$2
  shift 2
  local out="$work/$name"
  "$build/bin/kelvara-capture" --port "$port" --total 999999 --once 5 --interval 1 --name soak --out "$out" "$@" \
    2>"$work/$name.err" &
  local pid=$!
  local samples="$work/$name.samples" t
  : >"$samples"
  for ((t = 1; t <= length; t++)); do
    sleep 1
    kill -0 "$pid" 2>/dev/null || break
    # The link stalls twice for 3 s: a few failed cycles, never 11 in a row.
    if [ "$t" -eq $((length / 3)) ] || [ "$t" -eq $((2 * length / 3)) ]; then
      kill -STOP "$sim_pid"
      sleep 3
      kill -CONT "$sim_pid"
    fi
    echo "$t $(vm_rss "$pid") $(fd_count "$pid")" >>"$samples"
  done
  kill -INT "$pid" 2>/dev/null || true
  local status=0
  wait "$pid" || status=$?
  tail -n 1 "$work/$name.err"
  if [ "$status" -ne 0 ]; then
    echo "soak: $name: kelvara-capture exited with $status" >&2
    tail -n 20 "$work/$name.err" >&2
    failed=1
  fi
  # Flat after the first quarter: resident memory within 8 MiB, descriptors
  # within 2 of their lowest.
  awk -v skip=$((length / 4)) -v name="$name" '
    $1 > skip { n++; if (!n0++ || $2 < rmin) rmin = $2; if ($2 > rmax) rmax = $2;
                if (n == 1 || $3 < fmin) fmin = $3; if ($3 > fmax) fmax = $3 }
    END {
      printf "soak: %s: VmRSS %d..%d KiB, descriptors %d..%d over %d samples\n", name, rmin, rmax, fmin, fmax, n
      if (n < 3 || rmax - rmin > 8192 || fmax - fmin > 2) exit 1
    }' "$samples" || { echo "soak: $name: memory or descriptors grew" >&2; failed=1; }
  # The faults were met: the summary counts failed cycles.
  grep -Eq " [1-9][0-9]* failed cycles" "$work/$name.err" || { echo "soak: $name: no failed cycles" >&2; failed=1; }
}

half=$((seconds / 2))
run polar "$half" --format 4 --csv --png --bin
run points "$half" --format 5 --csv --pcd
if ! python3 scripts/soak_check.py "$work/polar" "$work/points"; then failed=1; fi

if [ "$failed" -ne 0 ]; then
  keep=1
  echo "==== soak FAILED" >&2
  exit 1
fi
echo "==== soak passed"
