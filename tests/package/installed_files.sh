#!/usr/bin/env bash
# Prints, one a line and sorted, every file a package of this tree installs
# under /usr (without the leading slash), apart from Debian's copyright and
# changelog, which only the .deb holds.
#
#   installed_files.sh MODULE_DIR [--with-desktop]
set -euo pipefail
module_dir=$1 with_desktop=${2:-}
files=(
  usr/bin/plugscope usr/bin/plugscope-demo-agent usr/bin/plugscope-scan
  usr/bin/plugscope-widget-host
  "usr/$module_dir/PlugscopeWidget.so"
  usr/lib/systemd/system/plugscope-metrics.service usr/lib/systemd/system/plugscope-metrics.timer
  usr/share/locale/de/LC_MESSAGES/plugscope-widget.mo
  usr/share/man/man1/plugscope.1.gz usr/share/man/man1/plugscope-demo-agent.1.gz
  usr/share/man/man1/plugscope-scan.1.gz usr/share/man/man1/plugscope-widget-host.1.gz
)
if [ "$with_desktop" = --with-desktop ]; then
  files+=(usr/bin/plugscope-desktop usr/share/man/man1/plugscope-desktop.1.gz
    usr/share/locale/de/LC_MESSAGES/plugscope-desktop.mo
    usr/share/applications/io.plugscope.Plugscope.desktop
    usr/share/metainfo/io.plugscope.Plugscope.metainfo.xml
    usr/share/icons/hicolor/scalable/apps/io.plugscope.Plugscope.svg)
  for size in 16 22 24 32 48 64 128 256 512; do
    files+=("usr/share/icons/hicolor/${size}x$size/apps/io.plugscope.Plugscope.png")
  done
fi
printf '%s\n' "${files[@]}" | sort
