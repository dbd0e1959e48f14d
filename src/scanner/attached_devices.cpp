#include "scanner/attached_devices.h"

#include <regex>
#include <utf8proc.h>
#include <vector>

#include "scanner/property_reads.h"
#include "scanner/registry_names.h"

namespace plugscope {
namespace {

namespace names = registry_names;

struct UsbDeviceCandidate {
  std::string name;
  std::optional<std::int64_t> busCurrent;
  std::int64_t depth = 0;
};

std::optional<std::string> lastPiece(std::string_view text, char separator) {
  std::optional<std::string> last;
  std::size_t start = 0;
  while (start <= text.size()) {
    std::size_t end = text.find(separator, start);
    if (end == std::string_view::npos) end = text.size();
    if (end > start) last = std::string(text.substr(start, end - start));
    start = end + 1;
  }
  return last;
}

const UsbDeviceCandidate& choose(const std::vector<UsbDeviceCandidate>& candidates) {
  std::vector<const UsbDeviceCandidate*> pool;
  for (const auto& c : candidates) {
    if (!isHubName(c.name)) pool.push_back(&c);
  }
  if (pool.empty()) {
    for (const auto& c : candidates) pool.push_back(&c);
  }
  const UsbDeviceCandidate* best = pool.front();
  std::size_t bestLength = userPerceivedLength(best->name);
  for (std::size_t i = 1; i < pool.size(); ++i) {
    const UsbDeviceCandidate* c = pool[i];
    if (c->depth > best->depth) continue;
    const std::size_t length = userPerceivedLength(c->name);
    // Strictly better only: on a full tie the earlier candidate stays.
    if (c->depth < best->depth || length > bestLength) {
      best = c;
      bestLength = length;
    }
  }
  return *best;
}

}  // namespace

bool isHubName(std::string_view name) {
  static const std::regex kHubNamePattern("^USB ?[0-9.]+ ?Hub$");
  return std::regex_match(name.begin(), name.end(), kHubNamePattern);
}

std::size_t userPerceivedLength(std::string_view text) {
  const auto* bytes = reinterpret_cast<const utf8proc_uint8_t*>(text.data());
  const auto size = static_cast<utf8proc_ssize_t>(text.size());
  std::size_t clusters = 0;
  utf8proc_int32_t previous = -1;
  utf8proc_int32_t state = 0;
  for (utf8proc_ssize_t i = 0; i < size;) {
    utf8proc_int32_t cp = 0;
    utf8proc_ssize_t n = utf8proc_iterate(bytes + i, size - i, &cp);
    if (n <= 0) {
      // An invalid byte stands alone and breaks any cluster around it.
      ++clusters;
      previous = -1;
      state = 0;
      ++i;
      continue;
    }
    if (previous < 0 || utf8proc_grapheme_break_stateful(previous, cp, &state)) ++clusters;
    previous = cp;
    i += n;
  }
  return clusters;
}

std::optional<UsbPortName> findUsbPortName(const RegistryAccess& registry, EntryRef device) {
  EntryRef current = device;
  for (std::int64_t depth = 0;;) {
    if (auto value = registry.readProperty(current, names::kUsbIOPort)) {
      if (const auto* text = std::get_if<std::string>(&value->kind)) {
        auto name = lastPiece(*text, '/');
        if (!name) return std::nullopt;
        return UsbPortName{std::move(*name), depth};
      }
    }
    auto up = registry.parent(current);
    if (!up) return std::nullopt;
    if (++depth >= kUsbPortWalkLimit) return std::nullopt;
    current = *up;
  }
}

std::map<std::string, UsbDevice> usbDevicesByPort(const RegistryAccess& registry) {
  std::map<std::string, std::vector<UsbDeviceCandidate>> working;
  for (EntryRef device : registry.matching(names::kIOUSBHostDevice)) {
    const PropertyMap properties = registry.readProperties(device);
    auto port = findUsbPortName(registry, device);
    if (!port) continue;
    std::string name = readString(properties, names::kUsbProductName)
                           .value_or(readString(properties, names::kUsbProductString)
                                         .value_or(std::string(kFallbackDeviceName)));
    working[port->name].push_back(UsbDeviceCandidate{
        std::move(name), readInteger(properties, names::kUsbBusCurrentAllocation), port->depth});
  }
  std::map<std::string, UsbDevice> result;
  for (const auto& [portName, candidates] : working) {
    const UsbDeviceCandidate& chosen = choose(candidates);
    result.emplace(portName, UsbDevice{chosen.name, chosen.busCurrent});
  }
  return result;
}

std::map<std::int64_t, std::string> thunderboltDevicesBySocket(const RegistryAccess& registry) {
  std::map<std::int64_t, std::string> result;
  for (EntryRef sw : registry.matching(names::kIOThunderboltSwitch)) {
    const PropertyMap properties = registry.readProperties(sw);
    if (readInteger(properties, names::kDepth) != 1) continue;
    auto model = readString(properties, names::kDeviceModelName);
    if (!model) continue;
    auto socketValue = registry.searchProperty(sw, names::kSocketId);
    if (!socketValue) continue;
    auto socket = integerViaText(*socketValue);
    if (!socket) continue;
    result[*socket] = std::move(*model);
  }
  return result;
}

}  // namespace plugscope
