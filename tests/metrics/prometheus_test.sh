#!/usr/bin/env bash
# The OpenMetrics output against Prometheus' own programs from Debian:
# promtool accepts the scan of every bundled registry fixture and sysfs
# tree, and of a registry whose names are hostile; a node exporter of our
# own (loopback, a port the kernel picks, nothing but the textfile
# collector) reads what plugscope-scan --output writes, with the right
# values, no series added by a name and no scrape error.
#
#   prometheus_test.sh SCAN_PROGRAM SOURCE_DIR
set -euo pipefail
scan=$1 source=$2

work=$(mktemp -d "${TMPDIR:-/tmp}/plugscope-prometheus.XXXXXXXX")
exporter=
cleanup() {
  if [ -n "$exporter" ]; then
    kill "$exporter" 2>/dev/null || true
    wait "$exporter" 2>/dev/null || true
  fi
  rm -rf "$work"
}
trap cleanup EXIT
export HOME=$work/home XDG_CONFIG_HOME=$work/home/config XDG_DATA_HOME=$work/home/data \
  XDG_CACHE_HOME=$work/home/cache XDG_STATE_HOME=$work/home/state XDG_RUNTIME_DIR=$work/runtime
mkdir -p "$HOME" "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
fail() { echo "prometheus test: $*" >&2; exit 1; }

# promtool reads the text as the collector does and lints it; any remark
# fails, and so does anything after "# EOF".
check() {  # NAME FILE
  local report
  report=$(promtool check metrics <"$2" 2>&1) || fail "$1: promtool: $report"
  [ -z "$report" ] || fail "$1: promtool: $report"
  [ "$(tail -n 1 "$2")" = "# EOF" ] || fail "$1: does not end in # EOF"
}

inputs=()
for fixture in "$source"/fixtures/*.json; do
  case $fixture in *.expected.json) continue ;; esac
  inputs+=(--registry "$fixture")
done
for tree in "$source"/fixtures/sysfs/*/; do inputs+=(--sysfs "${tree%/}"); done
for ((i = 0; i < ${#inputs[@]}; i += 2)); do
  name=$(basename "${inputs[i + 1]}")
  "$scan" "${inputs[i]}" "${inputs[i + 1]}" --no-report --taken 0 --format openmetrics \
    >"$work/$name.prom" || fail "$name: plugscope-scan failed"
  check "$name" "$work/$name.prom"
done
echo "promtool accepts $((${#inputs[@]} / 2)) fixtures and trees"

# Names as a device could give them: quotes, backslashes, line breaks, a
# forged end and series, control characters, 10 kB strings.
jq -n '
  def port(k; id): {classes: ["AppleTCControllerType10", "IOPort", "IOService"],
    properties: {PortTypeDescription: "USB-C", PortDescription: id, PortNumber: k,
                 ConnectionActive: true}};
  def dock(k; name): {classes: ["AppleThunderboltNHIType5", "IOService"],
    properties: {"Socket ID": k},
    children: [{classes: ["IOThunderboltSwitchType5", "IOThunderboltSwitch", "IOService"],
                properties: {Depth: 1, "Device Model Name": name}}]};
  {entries: [
    port(1; "Port \"quoted\" \\ back\\\\slash"), dock(1; "say \"hi\"\\n} 1"),
    port(2; "line\nbreak\r\n"),
    dock(2; "x\"} 1\n# EOF\nplugscope_port_connected{port=\"9\",id=\"forged\"} 1\n"),
    port(3; "A" * 10000), dock(3; "é" * 5000),
    port(4; "nul\u0000 escape\u001b[31m")]}' >"$work/hostile.json"
"$scan" --registry "$work/hostile.json" --no-report --taken 0 --format openmetrics \
  >"$work/hostile.prom" || fail "hostile: plugscope-scan failed"
check hostile "$work/hostile.prom"

# A node exporter of our own. Port 0 lets the kernel pick a free port; the
# exporter logs the one it got.
textfiles=$work/textfiles
mkdir "$textfiles"
: >"$work/exporter.log"
prometheus-node-exporter --web.listen-address=127.0.0.1:0 --collector.disable-defaults \
  --collector.textfile --collector.textfile.directory="$textfiles" >"$work/exporter.log" 2>&1 &
exporter=$!
address=
for _ in $(seq 200); do
  address=$(sed -n 's/.*msg="Listening on" address=\(127\.0\.0\.1:[0-9]*\).*/\1/p' "$work/exporter.log")
  [ -n "$address" ] && break
  kill -0 "$exporter" 2>/dev/null || fail "the node exporter ended: $(cat "$work/exporter.log")"
  sleep 0.05
done
[ -n "$address" ] || fail "the node exporter did not listen: $(cat "$work/exporter.log")"

scrape() { curl -sf --max-time 10 "http://$address/metrics" >"$work/scrape" || fail "no /metrics"; }
# The value of the series written exactly so (the exporter sorts labels).
value() {
  SERIES="$1 " awk 'index($0, ENVIRON["SERIES"]) == 1 { print substr($0, length(ENVIRON["SERIES"]) + 1) }' \
    "$work/scrape"
}
expect() {  # SERIES NUMBER
  local got
  got=$(value "$1")
  awk -v a="$got" -v b="$2" 'BEGIN { exit !(a != "" && a + 0 == b + 0) }' ||
    fail "$1 is '$got', not $2"
}
count() { grep -c "^$1{" "$work/scrape" || true; }

"$scan" --registry "$source/fixtures/laptop-dock-display-charger.json" --no-report --taken 1.5 \
  --format openmetrics --output "$textfiles/plugscope.prom" || fail "--output failed"
scrape
expect 'node_textfile_scrape_error' 0
expect 'plugscope_port_info{device="iPhone",id="Port-USB-C@2",port="2"}' 1
expect 'plugscope_port_info{device="Harbor TB4 Dock",id="Port-USB-C@3",port="3"}' 1
# The collector gives a family's series the labels of all of them; Prometheus
# takes an empty label for an absent one.
expect 'plugscope_port_info{device="",id="Port-USB-C@1",port="1"}' 1
expect 'plugscope_port_connected{id="Port-USB-C@4",port="4"}' 1
expect 'plugscope_port_power_in{id="Port-USB-C@1",port="1"}' 1
expect 'plugscope_port_power_in{id="Port-USB-C@2",port="2"}' 0
expect 'plugscope_port_link_speed_bytes_per_second{id="Port-USB-C@2",port="2"}' 1.25e9
expect 'plugscope_port_link_speed_bytes_per_second{id="Port-USB-C@3",port="3"}' 5e9
expect 'plugscope_port_link_speed_bytes_per_second{id="Port-USB-C@4",port="4"}' 1.0125e9
expect 'plugscope_port_protocol{id="Port-USB-C@3",port="3",protocol="Thunderbolt"}' 1
expect 'plugscope_port_protocol{id="Port-USB-C@4",port="4",protocol="DisplayPort"}' 1
expect 'plugscope_port_cable{id="Port-USB-C@3",kind="smart",port="3"}' 1
expect 'plugscope_port_cable{id="Port-USB-C@3",kind="active",port="3"}' 0
expect 'plugscope_port_bus_power_watts{id="Port-USB-C@2",port="2"}' 2.5
expect 'plugscope_port_bus_power_watts{id="Port-USB-C@3",port="3"}' 1.12
expect 'plugscope_charger_watts' 96
expect 'plugscope_snapshot_taken_timestamp_seconds' 978307201.5
[ "$(count plugscope_port_info)" = 4 ] || fail "not 4 ports: $(grep ^plugscope_ "$work/scrape")"
[ "$(count plugscope_port_protocol)" = 6 ] || fail "not 6 protocols"
[ "$(count plugscope_port_link_speed_bytes_per_second)" = 3 ] || fail "a speed for port 1"
[ "$(count plugscope_port_hint)" = 0 ] || fail "hints without rules"

# The hostile names: four ports and nothing else, each name read back as
# written, cut at 256 bytes on a character boundary.
cp "$work/hostile.prom" "$textfiles/plugscope.prom"
scrape
expect 'node_textfile_scrape_error' 0
for family in plugscope_port_info plugscope_port_connected plugscope_port_power_in; do
  [ "$(count $family)" = 4 ] || fail "$family: not 4 series: $(grep "^$family" "$work/scrape")"
done
grep -q 'forged' "$work/scrape" || fail "the forged name is gone"
! grep -q '^plugscope_port_connected{id="forged"' "$work/scrape" || fail "a name added a series"
long_id=$(printf 'A%.0s' $(seq 256))
long_device=$(printf 'é%.0s' $(seq 128))
expect "plugscope_port_info{device=\"$long_device\",id=\"$long_id\",port=\"3\"}" 1
expect 'plugscope_port_info{device="say \"hi\"\\n} 1",id="Port \"quoted\" \\ back\\\\slash",port="1"}' 1
echo "the node exporter reads the scan and the hostile names"
