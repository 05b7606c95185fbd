#!/usr/bin/env bash
# Sets up and runs Kelvara against the camera simulator: installs the
# dependencies, builds, starts kelvara-camsim (room scene) on a free port and
# starts the client with that port preselected, as the port a user chose
# last would be. Press Connect, then Start. Without a display it runs a short
# headless capture into a new folder instead.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake -S . -B build >/dev/null
cmake --build build -j"$(nproc 2>/dev/null || echo 2)"

bin="$PWD/build/bin"
ready="$(mktemp "${TMPDIR:-/tmp}/kelvara-camsim-XXXXXX")"

# The simulator registers the first free port and prints "COM<N> <device>".
"$bin/kelvara-camsim" --scene room >"$ready" &
sim=$!
trap 'kill "$sim" 2>/dev/null || true; wait "$sim" 2>/dev/null || true; rm -f "$ready"' EXIT
for _ in $(seq 1 100); do
  [ -s "$ready" ] && break
  kill -0 "$sim" 2>/dev/null || { echo "kelvara-camsim did not start" >&2; exit 1; }
  sleep 0.1
done
read -r com device <"$ready"
port="${com#COM}"
echo "Camera simulator on $com ($device)"

if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
  bash scripts/set-last-port.sh "$bin/Kelvara.ini" "$com"
  echo "Starting Kelvara with $com selected: press Connect, then Start."
  "$bin/Kelvara"
else
  out="$(mktemp -d "${TMPDIR:-/tmp}/kelvara-capture-XXXXXX")"
  echo "No display (DISPLAY and WAYLAND_DISPLAY are unset): running the headless capture instead."
  "$bin/kelvara-capture" --port "$port" --format 5 --total 20 --csv --pcd --name room --out "$out"
  echo "Captured files are in $out"
fi
