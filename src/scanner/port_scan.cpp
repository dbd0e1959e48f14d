#include "scanner/port_scan.h"

#include <algorithm>
#include <optional>
#include <string_view>

#include "scanner/power_readings.h"
#include "scanner/property_reads.h"
#include "scanner/registry_names.h"
#include "shared/integer_text.h"

namespace plugscope {
namespace {

namespace names = registry_names;

struct Transport {
  std::string_view type;
  std::string_view protocol;
  std::int64_t speedPriority;
};

// Transport types that name a protocol, in the order protocols are listed.
// A constant table: built at compile time, read-only, safe from any thread.
constexpr Transport kTransports[] = {
    {names::kTransportCio, "Thunderbolt", 3},
    {names::kTransportUsb3, "USB 3", 2},
    {names::kTransportUsb2, "USB 2", 1},
    {names::kTransportDisplayPort, "DisplayPort", 0},
};

const Transport* findTransport(std::string_view type) {
  for (const Transport& t : kTransports) {
    if (t.type == type) return &t;
  }
  return nullptr;
}

// Position in the protocol order; names outside it sort after all four.
std::size_t protocolRank(std::string_view name) {
  for (std::size_t i = 0; i < std::size(kTransports); ++i) {
    if (kTransports[i].protocol == name) return i;
  }
  return std::size(kTransports);
}

void removeAll(std::string& text, std::string_view needle) {
  for (std::size_t at = text.find(needle); at != std::string::npos; at = text.find(needle, at)) {
    text.erase(at, needle.size());
  }
}

}  // namespace

std::int64_t numberFromDescription(std::string_view description) {
  std::optional<std::string_view> last;
  std::size_t start = 0;
  while (start <= description.size()) {
    std::size_t end = description.find('@', start);
    if (end == std::string_view::npos) end = description.size();
    if (end > start) last = description.substr(start, end - start);
    start = end + 1;
  }
  if (!last) return 0;
  return parseIntegerText(*last).value_or(0);
}

void readLink(const RegistryAccess& registry, EntryRef child, PortStatus& port,
              std::vector<SpeedCandidate>& speeds) {
  const PropertyMap properties = registry.readProperties(child);
  const auto transport = readString(properties, names::kTransportTypeDescription);
  const bool active = readBoolean(properties, names::kActive).value_or(false);
  if (!transport) return;
  if (*transport == names::kTransportCC) {
    // The cable's identity shows whether the cable is e-marked, active or not.
    for (EntryRef identity : registry.children(child)) {
      if (readString(registry.readProperties(identity), names::kAddressDescription) ==
          names::kCableAddress) {
        port.smartCable = true;
      }
    }
  }
  if (!active) return;
  const Transport* known = findTransport(*transport);
  if (!known) return;
  port.protocols.emplace_back(known->protocol);
  auto rate = readString(properties, names::kDataRateDescription);
  if (rate && *rate != names::kNoDataRate) {
    removeAll(*rate, names::kHighSpeedSuffix);
    speeds.push_back(SpeedCandidate{known->speedPriority, std::move(*rate)});
  }
}

void classifyPort(const RegistryAccess& registry, EntryRef entry,
                  const std::map<std::string, UsbDevice>& usbDevicesByPort,
                  const std::map<std::int64_t, std::string>& thunderboltDevicesBySocket,
                  std::vector<PortStatus>& ports) {
  const PropertyMap properties = registry.readProperties(entry);
  if (properties.empty()) return;
  if (readString(properties, names::kPortTypeDescription) != names::kUsbC) return;
  auto description = readString(properties, names::kPortDescription);
  if (!description) description = readString(properties, names::kDescription);
  if (!description) return;

  PortStatus port;
  port.id = *description;
  port.number = readInteger(properties, names::kPortNumber).value_or(numberFromDescription(port.id));
  port.connected = readBoolean(properties, names::kConnectionActive).value_or(false);
  port.activeCable = readBoolean(properties, names::kActiveCable).value_or(false);
  port.opticalCable = readBoolean(properties, names::kOpticalCable).value_or(false);
  port.powerIn = powerInRule(port.connected, readStringList(properties, names::kFeaturesEnabled)
                                                 .value_or(std::vector<std::string>{}));

  std::vector<SpeedCandidate> speeds;
  for (EntryRef child : registry.children(entry)) readLink(registry, child, port, speeds);

  std::stable_sort(port.protocols.begin(), port.protocols.end(),
                   [](const std::string& a, const std::string& b) {
                     return protocolRank(a) < protocolRank(b);
                   });
  const SpeedCandidate* fastest = nullptr;
  for (const SpeedCandidate& c : speeds) {
    if (!fastest || c.priority > fastest->priority) fastest = &c;
  }
  if (fastest) port.speed = fastest->text;

  if (auto usb = usbDevicesByPort.find(port.id); usb != usbDevicesByPort.end()) {
    port.device = usb->second.name;
    port.usbPowerWatts = busPowerRule(usb->second.busCurrent);
  }
  if (auto tb = thunderboltDevicesBySocket.find(port.number);
      tb != thunderboltDevicesBySocket.end()) {
    port.device = tb->second;
  }
  ports.push_back(std::move(port));
}

Snapshot scanPorts(const RegistryAccess& registry, PointInTime taken) {
  const auto usb = usbDevicesByPort(registry);
  const auto thunderbolt = thunderboltDevicesBySocket(registry);
  std::vector<PortStatus> ports;
  for (EntryRef entry : registry.matching(names::kIOPort)) {
    classifyPort(registry, entry, usb, thunderbolt, ports);
  }
  std::stable_sort(ports.begin(), ports.end(),
                   [](const PortStatus& a, const PortStatus& b) { return a.number < b.number; });
  return Snapshot{std::move(ports), readChargerWatts(registry), taken};
}

}  // namespace plugscope
