#!/usr/bin/env bash
# Builds the Debian package from a build folder and checks it: its name,
# its file list, its computed dependencies, lintian (no errors), the
# AppStream metadata (appstreamcli validate), and, extracted into a
# temporary root, that every program answers --version and --help and has
# its manual page.
# Usage: bash scripts/check-package.sh BUILD_DIR VERSION
set -euo pipefail
build=$(cd "$1" && pwd)
version=$2
here=$(cd "$(dirname "$0")" && pwd)
expected_list="$here/../tests/package/package_files.txt"

for tool in cpack dpkg-deb dpkg-shlibdeps lintian appstreamcli; do
  command -v "$tool" >/dev/null || { echo "check-package: $tool is missing (bash scripts/install-deps.sh)" >&2; exit 1; }
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "check-package: $*" >&2; exit 1; }

(cd "$build" && cpack -G DEB -B "$work/out" >"$work/cpack.log" 2>&1) || { cat "$work/cpack.log" >&2; fail "cpack failed"; }
arch=$(dpkg --print-architecture)
deb="$work/out/kelvara_${version}_${arch}.deb"
[ -f "$deb" ] || fail "no $(basename "$deb") in: $(ls "$work/out")"

# The file list: every file and link, without the folders.
dpkg-deb -c "$deb" | awk '$1 !~ /^d/ { print $6 }' | sed 's|^\./|/|' | sort >"$work/files.txt"
if ! diff -u "$expected_list" "$work/files.txt"; then
  fail "the package's files differ from tests/package/package_files.txt (diff above)"
fi

# Dependencies computed from the programs' libraries.
depends=$(dpkg-deb -f "$deb" Depends)
for needed in libc6 libqt6widgets6 libpcl-common1.13 libpcl-visualization1.13 zlib1g; do
  [[ "$depends" == *"$needed"* ]] || fail "Depends lacks $needed: $depends"
done

echo "== lintian"
lintian --fail-on error "$deb" 2>&1 | grep -v '^running with root privileges' || true
lintian --fail-on error "$deb" >/dev/null 2>&1 || fail "lintian reports errors"

root="$work/root"
dpkg-deb -x "$deb" "$root"
echo "== appstreamcli validate"
appstreamcli validate --no-net "$root"/usr/share/metainfo/*.metainfo.xml || fail "appstreamcli validate failed"

echo "== programs"
for program in "$root"/usr/bin/*; do
  name=$(basename "$program")
  out=$("$program" --version) || fail "$name --version exits with $?"
  [ "$out" = "$name $version" ] || fail "$name --version says '$out', not '$name $version'"
  "$program" --help >"$work/help.txt" || fail "$name --help exits with $?"
  grep -qi "usage" "$work/help.txt" || fail "$name --help prints no usage"
  [ -f "$root/usr/share/man/man1/$name.1.gz" ] || fail "$name has no manual page"
  echo "$out"
done
echo "check-package: $(basename "$deb") is fine"
