#!/usr/bin/env bash
# Sets up and runs every test: installs the dependencies, then configures,
# builds and runs the suite plain, with ASan+UBSan, and (for the core
# libraries and their threads, and the Qt adapters that cross threads)
# with TSan; then fuzzes every parser of
# outside bytes (30 s per target) and runs the fault soak (about 2 minutes).
# Warnings are errors here.
# Usage: bash scripts/test.sh [plain|asan|tsan|fuzz|soak ...]   (default: all five)
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh

jobs=$(nproc 2>/dev/null || echo 2)
suites=("$@")
[ ${#suites[@]} -gt 0 ] || suites=(plain asan tsan fuzz soak)

export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:strict_string_checks=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
export TSAN_OPTIONS="halt_on_error=1:second_deadlock_stack=1"
export LSAN_OPTIONS="suppressions=$PWD/scripts/lsan.supp:print_suppressions=0"

run_suite() {
  local dir=$1
  shift
  echo "==== $dir: configure, build, test"
  cmake -S . -B "$dir" -DKELVARA_WERROR=ON "$@"
  cmake --build "$dir" -j"$jobs"
  (cd "$dir" && ctest --output-on-failure -j"$jobs" --timeout 600)
}

# The Qt classes that carry news between threads, under TSan: a second,
# small TSan build with the GUI, of those tests only (label qt_threads).
run_qt_tsan() {
  local dir=build-tsan-qt
  echo "==== $dir: the Qt adapters under TSan"
  cmake -S . -B "$dir" -DKELVARA_WERROR=ON -DKELVARA_SANITIZE=thread -DKELVARA_BUILD_BENCH=OFF \
    -DKELVARA_BUILD_VIEWER=OFF -DKELVARA_BUILD_EXPORT=OFF -DKELVARA_BUILD_PYTHON=OFF
  cmake --build "$dir" -j"$jobs" --target qt_adapters_test qt_notifier_test
  (cd "$dir" && TSAN_OPTIONS="$TSAN_OPTIONS:suppressions=$PWD/../scripts/tsan-qt.supp" \
    ctest -L qt_threads --output-on-failure --timeout 600)
}

for s in "${suites[@]}"; do
  case "$s" in
    plain) run_suite build ;;
    # The Python module's tests run there too: ctest preloads the ASan
    # runtime into /usr/bin/python3 (python/CMakeLists.txt).
    asan) run_suite build-asan -DKELVARA_SANITIZE=address -DKELVARA_BUILD_BENCH=OFF ;;
    # No Python module: Debian's interpreter, not built with TSan, cannot
    # load a module that needs the TSan runtime (static TLS).
    tsan) run_suite build-tsan -DKELVARA_SANITIZE=thread -DKELVARA_BUILD_BENCH=OFF \
            -DKELVARA_BUILD_GUI=OFF -DKELVARA_BUILD_VIEWER=OFF -DKELVARA_BUILD_EXPORT=OFF -DKELVARA_BUILD_PYTHON=OFF
          run_qt_tsan ;;
    fuzz) echo "==== fuzz"; bash scripts/fuzz.sh "${KELVARA_FUZZ_SECONDS:-30}" ;;
    soak) echo "==== soak"; bash scripts/soak.sh 120 ;;
    *) echo "unknown suite: $s (plain, asan, tsan, fuzz, soak)" >&2; exit 2 ;;
  esac
done
echo "==== all tests passed (${suites[*]})"
