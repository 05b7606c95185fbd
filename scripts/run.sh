#!/usr/bin/env bash
# Sets up and runs what the project has built so far.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake -S . -B build
cmake --build build -j"$(nproc 2>/dev/null || echo 2)"
echo "Built into $PWD/build/bin:"
ls build/bin
