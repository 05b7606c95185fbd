#!/usr/bin/env bash
# Refreshes the README's screenshots (docs/kelvara-client.png: the main
# dialog and the picture window on the simulator's room scene;
# docs/orvinel-viewer.png: the 3D viewer; docs/filters-3d-*.png: the 3D view
# at an edge without and with filters; docs/kelvara-playback.png: a recording
# played back, with the Trends window) under a virtual X display of
# 1366x768, a common laptop screen.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build >/dev/null
cmake --build build -j"$(nproc 2>/dev/null || echo 2)" --target client_e2e_test
mkdir -p docs
KELVARA_SCREENSHOT_DIR="$PWD/docs" LIBGL_ALWAYS_SOFTWARE=1 \
  xvfb-run -a -n 180 -s "-screen 0 1366x768x24" \
  build/tests/client_e2e_test --gtest_filter='ClientScreenshots.*:ClientFilterScreenshots.*:ClientPlaybackScreenshots.*'
ls -l docs/kelvara-client.png docs/orvinel-viewer.png docs/filters-3d-before.png docs/filters-3d-after.png docs/kelvara-playback.png
