#!/usr/bin/env bash
# Checks that every C++ file of the tree is formatted as .clang-format says.
# Exit 0 when it is, 1 when not (the differences are printed), 77 when it
# cannot be checked here (no clang-format, or not a git checkout).
set -uo pipefail
cd "$(dirname "$0")/.."
format=$(command -v clang-format-14 || command -v clang-format) || { echo "no clang-format"; exit 77; }
files=$(git ls-files '*.cpp' '*.h' 2>/dev/null) || { echo "not a git checkout"; exit 77; }
[ -n "$files" ] || { echo "not a git checkout"; exit 77; }
# shellcheck disable=SC2086
"$format" --dry-run --Werror $files
