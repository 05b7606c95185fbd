#!/usr/bin/env bash
# Installs every Debian package the project needs to build, test and run.
# Idempotent: when everything is present it only checks and returns;
# `apt-get update` runs only when something is missing.
set -euo pipefail

PACKAGES=(
  # build
  cmake g++ pkg-config make
  # tests
  libgtest-dev libgmock-dev
  # the code style check
  clang-format
  # benchmarks
  libbenchmark-dev
  # GUI toolkit (client) and Qt Test
  qt6-base-dev
  # charts in the client's Trends window (its CMake files need the OpenGL module's)
  qt6-charts-dev libqt6opengl6-dev
  # point clouds (viewer)
  libpcl-dev
  # PNG encoder (client core)
  libpng-dev
  # CRC-32 (the table upload, recordings)
  zlib1g-dev
  # X11 window search (client)
  libx11-dev
  # headless display for GUI and end-to-end tests
  xvfb xauth libgl1-mesa-dri xdotool x11-apps
  # the accessibility bus the client's end-to-end test reads the program through
  dbus at-spi2-core
  # a locale with a decimal comma for the locale test
  locales-all
  # fuzzing (libFuzzer) and the fault soak's file checker
  clang libclang-rt-14-dev python3
  # the Debian package (cpack -G DEB) and its checks
  dpkg-dev file lintian appstream
  # the exported clouds read back by Open3D (interop test)
  python3-open3d
  # the Python module and its tests
  pybind11-dev python3-dev python3-numpy python3-pytest
)

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}\n' "$p" 2>/dev/null | grep -q '^install ok installed$'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  echo "install-deps: all ${#PACKAGES[@]} packages present"
  exit 0
fi

echo "install-deps: installing ${missing[*]}"
SUDO=""
if [ "$(id -u)" -ne 0 ]; then
  command -v sudo >/dev/null 2>&1 || { echo "install-deps: need root or sudo to install: ${missing[*]}" >&2; exit 1; }
  SUDO="sudo"
fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -q
$SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
