#!/usr/bin/env bash
# Builds the Debian package from a configured and built tree, checks its
# control fields and file list against the install layout and lintian's
# verdict, unpacks it into a throw-away folder and runs the programs from
# there: the scan of a bundled sysfs tree, and the widget host, which must
# find the plug-in and its German catalogue by the installed layout alone,
# and the desktop host, whose panel entry must find its own German catalogue
# the same way; systemd-analyze checks the metrics units in that unpacked tree.
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
[ "$(field Maintainer)" = "The Plugscope developers <maintainers@plugscope.io>" ] ||
  fail "Maintainer: $(field Maintainer)"
# No Homepage until the project has a site of its own.
[ -z "$(field Homepage)" ] || fail "Homepage: $(field Homepage)"
[ "$(field Description | wc -l)" -gt 3 ] || fail "no long description"
# dpkg-shlibdeps found the C and C++ runtimes; the pinned fonts are named.
for dependency in libc6 libstdc++6 fonts-inter fonts-dejavu-core; do
  field Depends | grep -q "\b$dependency\b" || fail "Depends lacks $dependency: $(field Depends)"
done

# Every file, owned by root, exactly where the layout puts it; the .deb
# adds Debian's copyright and changelog.
{
  "$(dirname "$0")/installed_files.sh" "$module_dir" $with_desktop
  echo usr/share/doc/plugscope/changelog.gz
  echo usr/share/doc/plugscope/copyright
} | sort >"$work/expected"
dpkg-deb -c "$deb" >"$work/contents"
awk '$1 !~ /^d/ { sub(/^\.\//, "", $6); print $6 }' "$work/contents" | sort >"$work/files"
diff -u "$work/expected" "$work/files" >&2 || fail "the file list differs from the layout (- expected, + packaged)"
awk '$2 != "root/root" { exit 1 }' "$work/contents" || fail "files not owned by root"

# lintian: no errors, and no warnings but the ones we keep. CPack's postinst
# and postrm call ldconfig because the plug-in lies under /usr/lib; the
# call finds nothing to do, and the scripts are CPack's own. (Skipped for a
# sanitized build, which no one ships.)
kept_warnings='maintscript-calls-ldconfig'
if [ -z "${PLUGSCOPE_SKIP_LINTIAN:-}" ]; then
  lintian --tag-display-limit 0 "$deb" >"$work/lintian" 2>"$work/lintian.err" ||
    { cat "$work/lintian" "$work/lintian.err" >&2; fail "lintian failed"; }
  if grep -E '^E:' "$work/lintian" >&2 ||
    grep -E '^W:' "$work/lintian" | grep -vE ": ($kept_warnings) " >&2; then
    fail "lintian reports the errors or new warnings above"
  fi
  echo "lintian: $(grep -c '^W:' "$work/lintian" || true) kept warnings, $(elapsed)"
fi

dpkg-deb -x "$deb" "$work/root"
# The changelog is Debian's format, gzip -9n, and its latest entry is this
# version.
doc=$work/root/usr/share/doc/plugscope
gzip -dc "$doc/changelog.gz" >"$work/changelog"
[ "$(dpkg-parsechangelog -l "$work/changelog" -S Version)" = "$version" ] ||
  fail "the changelog's latest entry is not $version"
gzip -9 -n -c "$work/changelog" | cmp -s - "$doc/changelog.gz" || fail "changelog.gz is not gzip -9n"
grep -qx 'License: Apache-2.0' "$doc/copyright" && grep -q '/usr/share/common-licenses/Apache-2.0' \
  "$doc/copyright" || fail "the copyright file does not point at the common Apache-2.0 text"

# The metrics units as systemd would load them from the unpacked package:
# the system's own units beside ours, ExecStart= found in its usr/bin.
cp -a /usr/lib/systemd/system/. "$work/root/usr/lib/systemd/system/"
systemd-analyze verify --man=no --root="$work/root" plugscope-metrics.service \
  plugscope-metrics.timer >"$work/verify" 2>&1 || fail "systemd-analyze: $(cat "$work/verify")"
! grep plugscope-metrics "$work/verify" >&2 || fail "systemd-analyze has remarks on the units"
grep -qx 'WantedBy=timers.target' "$work/root/usr/lib/systemd/system/plugscope-metrics.timer" ||
  fail "the timer is not installable"
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

# The panel entry speaks German from the installed layout too, started from
# elsewhere, on a display and a session bus of its own.
if [ "$with_desktop" = --with-desktop ]; then
  title=$(cd / && LC_ALL=de_DE.UTF-8 "$source/tests/desktop/with-display" bash -c '
    mkdir -p "$XDG_DATA_HOME/5L9QH2TR7M.io.plugscope.shared"
    cp "$2" "$XDG_DATA_HOME/5L9QH2TR7M.io.plugscope.shared/snapshot.json"
    "$1" & desktop=$!
    for _ in $(seq 100); do
      dbus-send --session --print-reply=literal --dest=io.plugscope.Plugscope /StatusNotifierItem \
        org.freedesktop.DBus.Properties.Get string:org.kde.StatusNotifierItem string:Title \
        2>/dev/null && break
      sleep 0.1
    done
    kill "$desktop"; wait "$desktop" 2>/dev/null || true' - "$bin/plugscope-desktop" \
    "$container/snapshot.json" 2>/dev/null)
  grep -q 'variant *2 Anschlüsse belegt · 15 W$' <<<"$title" || fail "the panel is not in German: $title"
fi
echo "package test: $(elapsed) in all"
