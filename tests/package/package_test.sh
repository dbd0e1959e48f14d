#!/usr/bin/env bash
# Builds the Debian package from a configured and built tree, checks its
# control fields and file list against the install layout, unpacks it into
# a throw-away folder and runs the programs from there: the scan of a
# bundled sysfs tree, and the widget host, which must find the plug-in and
# its German catalogue by the installed layout alone.
#
#   package_test.sh BUILD_DIR SOURCE_DIR VERSION MODULE_DIR [--with-desktop]
set -euo pipefail
build=$1 source=$2 version=$3 module_dir=$4 with_desktop=${5:-}

work=$(mktemp -d "${TMPDIR:-/tmp}/plugscope-package.XXXXXXXX")
trap 'rm -rf "$work"' EXIT
export HOME=$work/home XDG_CONFIG_HOME=$work/home/config XDG_DATA_HOME=$work/home/data \
  XDG_CACHE_HOME=$work/home/cache XDG_STATE_HOME=$work/home/state XDG_RUNTIME_DIR=$work/runtime
mkdir -p "$HOME" "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
fail() { echo "package test: $*" >&2; exit 1; }

started=$(date +%s%N)
elapsed() { echo "$((($(date +%s%N) - started) / 1000000)) ms"; }
cpack --config "$build/CPackConfig.cmake" -G DEB -B "$work/out" >"$work/cpack.log" 2>&1 ||
  { cat "$work/cpack.log" >&2; fail "cpack failed"; }
echo "cpack: $(elapsed)"
deb=$work/out/plugscope_${version}_$(dpkg --print-architecture).deb
[ -f "$deb" ] || fail "no $(basename "$deb") in: $(ls "$work/out")"
echo "$(basename "$deb"): $(stat -c %s "$deb") bytes"

field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = plugscope ] || fail "Package: $(field Package)"
[ "$(field Version)" = "$version" ] || fail "Version: $(field Version)"
[ "$(field Section)" = utils ] || fail "Section: $(field Section)"
[ -n "$(field Maintainer)" ] || fail "no Maintainer"
[ "$(field Description | wc -l)" -gt 3 ] || fail "no long description"
# dpkg-shlibdeps found the C and C++ runtimes; the pinned fonts are named.
for dependency in libc6 libstdc++6 fonts-inter fonts-dejavu-core; do
  field Depends | grep -q "\b$dependency\b" || fail "Depends lacks $dependency: $(field Depends)"
done

# Every file, owned by root, exactly where the layout puts it.
expected=(
  usr/bin/plugscope usr/bin/plugscope-demo-agent usr/bin/plugscope-scan
  usr/bin/plugscope-widget-host
  "usr/$module_dir/PlugscopeWidget.so"
  usr/share/locale/de/LC_MESSAGES/plugscope-widget.mo
  usr/share/man/man1/plugscope.1.gz usr/share/man/man1/plugscope-scan.1.gz
  usr/share/man/man1/plugscope-widget-host.1.gz
)
if [ "$with_desktop" = --with-desktop ]; then
  expected+=(usr/bin/plugscope-desktop usr/share/man/man1/plugscope-desktop.1.gz
    usr/share/locale/de/LC_MESSAGES/plugscope-desktop.mo
    usr/share/applications/io.plugscope.Plugscope.desktop
    usr/share/metainfo/io.plugscope.Plugscope.metainfo.xml
    usr/share/icons/hicolor/scalable/apps/io.plugscope.Plugscope.svg)
  for size in 16 22 24 32 48 64 128 256 512; do
    expected+=("usr/share/icons/hicolor/${size}x$size/apps/io.plugscope.Plugscope.png")
  done
fi
dpkg-deb -c "$deb" >"$work/contents"
awk '$1 !~ /^d/ { sub(/^\.\//, "", $6); print $6 }' "$work/contents" | sort >"$work/files"
printf '%s\n' "${expected[@]}" | sort >"$work/expected"
diff -u "$work/expected" "$work/files" >&2 || fail "the file list differs from the layout (- expected, + packaged)"
awk '$2 != "root/root" { exit 1 }' "$work/contents" || fail "files not owned by root"

dpkg-deb -x "$deb" "$work/root"
bin=$work/root/usr/bin
for program in plugscope-scan plugscope-widget-host plugscope-desktop; do
  [ "$("$bin/$program" --version)" = "$program $version" ] || fail "$program --version"
done

scan=$("$bin/plugscope-scan" --sysfs "$source/fixtures/sysfs/chromebook" --no-report --taken 0)
[ "$scan" = "$(cat "$source/fixtures/scans/sysfs-chromebook.json")" ] ||
  fail "unexpected scan: $scan"

# The scan as the stored snapshot, so the widget shows it and not this machine.
container=$XDG_DATA_HOME/5L9QH2TR7M.io.plugscope.shared
mkdir -p "$container" && printf '%s\n' "$scan" >"$container/snapshot.json"
widget=$(LC_ALL=de_DE.UTF-8 "$bin/plugscope-widget-host" --once --format text --family small) ||
  fail "the widget host failed: $widget"
grep -q 'Kabel' <<<"$widget" || fail "no German header: $widget"
grep -q 'USB-C 2' <<<"$widget" || fail "not the stored snapshot: $widget"
echo "package test: $(elapsed) in all"
