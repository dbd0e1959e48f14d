#!/usr/bin/env bash
# Builds the RPM from a configured and built tree, as Fedora and openSUSE
# users do on their own systems, and checks it with rpm: the files of the
# install layout (the .deb's, less Debian's copyright and changelog), no
# build-id links, and requirements that are sonames and the two fonts,
# never file paths.
#
#   rpm_package_test.sh BUILD_DIR VERSION MODULE_DIR [--with-desktop]
set -euo pipefail
build=$1 version=$2 module_dir=$3 with_desktop=${4:-}

work=$(mktemp -d "${TMPDIR:-/tmp}/plugscope-rpm.XXXXXXXX")
trap 'rm -rf "$work"' EXIT
export HOME=$work/home
mkdir -p "$HOME"
fail() { echo "rpm package test: $*" >&2; exit 1; }

started=$(date +%s%N)
cpack --config "$build/CPackConfig.cmake" -G RPM -B "$work/out" >"$work/cpack.log" 2>&1 ||
  { cat "$work/cpack.log" >&2; fail "cpack failed"; }
rpm=$(ls "$work"/out/plugscope-"$version"-*.rpm 2>/dev/null) || fail "no RPM in: $(ls "$work/out")"
echo "$(basename "$rpm"): $(stat -c %s "$rpm") bytes, $((($(date +%s%N) - started) / 1000000)) ms"

query() { rpm -qp --nosignature "$@" "$rpm"; }
[ "$(query --queryformat '%{NAME} %{VERSION} %{LICENSE}')" = "plugscope $version Apache-2.0" ] ||
  fail "name, version, licence: $(query --queryformat '%{NAME} %{VERSION} %{LICENSE}')"

# The files; the folders it owns (only its own) are left aside.
query --queryformat '[%{FILEMODES:perms} %{FILENAMES}\n]' |
  awk '$1 !~ /^d/ { sub(/^\//, "", $2); print $2 }' | sort >"$work/files"
"$(dirname "$0")/installed_files.sh" "$module_dir" $with_desktop >"$work/expected"
diff -u "$work/expected" "$work/files" >&2 || fail "the file list differs from the layout (- expected, + packaged)"
! query --list | grep -F '.build-id' >&2 || fail "build-id links"
query --queryformat '[%{FILEMODES:perms} %{FILENAMES}\n]' | awk '$1 ~ /^d/ { print $2 }' |
  grep -vx '/usr/lib/plugscope' >&2 && fail "owns folders other packages share"

query --requires >"$work/requires"
for font in 'font(inter)' 'font(dejavusans)'; do
  grep -qxF "$font" "$work/requires" || fail "does not require $font"
done
grep -qx 'libc.so.6()(64bit)' "$work/requires" && grep -q '^libstdc++.so.6()' "$work/requires" ||
  fail "no soname requirements: $(cat "$work/requires")"
! grep '^/' "$work/requires" >&2 || fail "requires file paths"
echo "rpm package test: $((($(date +%s%N) - started) / 1000000)) ms in all"
