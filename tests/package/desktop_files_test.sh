#!/usr/bin/env bash
# The launcher and the AppStream description pass their validators without
# an error or a warning.
#
#   desktop_files_test.sh LAUNCHER METAINFO
set -euo pipefail
launcher=$1 metainfo=$2
status=0
report=$(desktop-file-validate "$launcher" 2>&1) || status=1
if [ $status -ne 0 ] || grep -Ei 'error|warning' <<<"$report"; then
  echo "desktop-file-validate: $report" >&2
  exit 1
fi
report=$(appstreamcli validate --no-net "$metainfo" 2>&1) || status=1
if [ $status -ne 0 ] || grep -E '^[EW]:' <<<"$report"; then
  echo "appstreamcli: $report" >&2
  exit 1
fi
