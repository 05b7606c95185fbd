#!/usr/bin/env bash
# Checks that a shared library exports exactly the functions its version
# script lists as global.  Usage: check_exports.sh LIBRARY VERSION_SCRIPT
set -euo pipefail
lib=$1
map=$2
wanted=$(sed -n '/global:/,/local:/p' "$map" | grep -o '[A-Za-z_][A-Za-z0-9_]*;' | tr -d ';' | sort)
exported=$(nm -D --defined-only "$lib" | awk '{print $3}' | sort)
if [ "$wanted" != "$exported" ]; then
  echo "exports of $lib differ from $map:"
  diff <(echo "$wanted") <(echo "$exported") || true
  exit 1
fi
echo "$lib exports exactly: $(echo $exported)"
