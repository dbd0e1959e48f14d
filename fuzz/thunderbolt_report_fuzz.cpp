// Any bytes as the hardware report's output: parsing never crashes, and
// merging the links into a snapshot changes only what a link may change.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "agent/thunderbolt_report.h"
#include "shared/snapshot_json.h"

namespace {

using plugscope::PortStatus;
using plugscope::Snapshot;

// Ports numbered like the receptacles of the seeds (1 to 6) and one beyond,
// with zero, one and two "Thunderbolt" protocols, so that every rule of the
// merge has a port to act on.
Snapshot scannedSnapshot() {
  Snapshot snapshot;
  for (std::int64_t number = 0; number <= 7; ++number) {
    PortStatus port;
    port.id = "Port-USB-C@" + std::to_string(number);
    port.number = number;
    port.connected = number % 2 == 1;
    if (number % 3 != 0) port.protocols.push_back("Thunderbolt");
    port.protocols.push_back("USB 3");
    if (number % 3 == 2) port.protocols.push_back("Thunderbolt");
    if (number % 2 == 0) port.speed = "10 Gb/s";
    port.usbPowerWatts = 4.5;
    snapshot.ports.push_back(port);
  }
  snapshot.chargerWatts = 96;
  snapshot.taken = {60.5};
  return snapshot;
}

bool isModeText(const std::string& text) {
  return text == "Thunderbolt 3" || text == "Thunderbolt 4" || text == "Thunderbolt 5" ||
         text == "USB4" || text == "Thunderbolt";
}

// Fields a link never touches, and protocols that differ from the scan in
// at most the first "Thunderbolt" entry, which only a mode text replaces.
bool mergedWithinTheRules(const PortStatus& before, const PortStatus& after,
                          const plugscope::ThunderboltLink* link) {
  if (after.id != before.id || after.number != before.number ||
      after.connected != before.connected || after.smartCable != before.smartCable ||
      after.activeCable != before.activeCable || after.opticalCable != before.opticalCable ||
      after.usbPowerWatts != before.usbPowerWatts || after.powerIn != before.powerIn ||
      after.protocols.size() != before.protocols.size()) {
    return false;
  }
  if (!link) return after == before;
  if (after.speed != (link->speed ? link->speed : before.speed)) return false;
  if (after.device != (link->device ? link->device : before.device)) return false;
  const auto first = std::find(before.protocols.begin(), before.protocols.end(), "Thunderbolt");
  for (std::size_t i = 0; i < before.protocols.size(); ++i) {
    const bool replaced = link->mode && first != before.protocols.end() &&
                          i == static_cast<std::size_t>(first - before.protocols.begin());
    if (after.protocols[i] != (replaced ? *link->mode : before.protocols[i])) return false;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const plugscope::ThunderboltLinks links = plugscope::parseThunderboltReport(bytes);
  for (const auto& [number, link] : links) {
    if (link.mode && !isModeText(*link.mode)) std::abort();
  }

  static const Snapshot scanned = scannedSnapshot();
  const Snapshot merged = plugscope::applyThunderboltLinks(scanned, links);
  if (merged.chargerWatts != scanned.chargerWatts ||
      merged.taken.seconds != scanned.taken.seconds ||
      merged.ports.size() != scanned.ports.size()) {
    std::abort();
  }
  bool linked = false;
  for (std::size_t i = 0; i < scanned.ports.size(); ++i) {
    const auto found = links.find(scanned.ports[i].number);
    linked = linked || found != links.end();
    if (!mergedWithinTheRules(scanned.ports[i], merged.ports[i],
                              found == links.end() ? nullptr : &found->second)) {
      std::abort();
    }
  }
  if (!linked) return 0;
  // Whatever the report's texts hold, the file reads back as the same
  // snapshot, unless a text is longer than readers take (the store then
  // publishes nothing).
  const auto written = plugscope::encodeSnapshot(merged);
  if (!written) std::abort();
  const auto again = plugscope::decodeSnapshot(*written);
  if (const auto* error = std::get_if<plugscope::JsonReadError>(&again)) {
    if (error->failure == plugscope::JsonReadFailure::beyondBounds) return 0;
    std::abort();
  }
  if (plugscope::encodeSnapshot(std::get<Snapshot>(again)) != written) std::abort();
  return 0;
}
