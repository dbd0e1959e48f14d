#include "sysfs_rules/sysfs_names.h"

#include <charconv>

namespace plugscope::sysfs {
namespace {

// Device numbers stay far below this; the bound keeps sums and shifts safe.
constexpr std::int64_t kMaxIndex = 1'000'000'000;
// USB allows five tiers of hubs; more components mean a name of another kind.
constexpr std::size_t kMaxUsbPathLength = 16;

// Decimal digits only, without sign or leading "+", within kMaxIndex.
std::optional<std::int64_t> index(std::string_view text) {
  if (text.empty() || text.size() > 10) return std::nullopt;
  std::int64_t value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + (c - '0');
  }
  if (value > kMaxIndex) return std::nullopt;
  return value;
}

}  // namespace

bool isIndexedName(std::string_view name, std::string_view prefix) {
  if (!name.starts_with(prefix) || name.size() == prefix.size()) return false;
  for (char c : name.substr(prefix.size())) {
    if (c < '0' || c > '9') return false;
  }
  return true;
}

std::string_view linkedChildName(std::string_view linkTarget) {
  while (linkTarget.starts_with("./")) linkTarget.remove_prefix(2);
  while (linkTarget.ends_with('/')) linkTarget.remove_suffix(1);
  if (linkTarget.find('/') != std::string_view::npos || linkTarget == "." || linkTarget == "..") {
    return {};
  }
  return linkTarget;
}

std::optional<std::int64_t> typecPortIndex(std::string_view name) {
  if (!name.starts_with("port")) return std::nullopt;
  return index(name.substr(4));
}

std::optional<UsbDeviceName> usbDeviceName(std::string_view name) {
  if (name.starts_with("usb")) {
    auto bus = index(name.substr(3));
    if (!bus) return std::nullopt;
    return UsbDeviceName{*bus, {}};
  }
  const std::size_t dash = name.find('-');
  if (dash == std::string_view::npos) return std::nullopt;
  auto bus = index(name.substr(0, dash));
  if (!bus) return std::nullopt;
  UsbDeviceName device{*bus, {}};
  std::string_view rest = name.substr(dash + 1);
  for (;;) {
    const std::size_t dot = rest.find('.');
    auto port = index(rest.substr(0, dot));
    if (!port || *port == 0) return std::nullopt;
    device.path.push_back(*port);
    if (device.path.size() > kMaxUsbPathLength) return std::nullopt;
    if (dot == std::string_view::npos) break;
    rest.remove_prefix(dot + 1);
  }
  return device;
}

std::string usbDeviceText(const UsbDeviceName& device) {
  if (device.path.empty()) return "usb" + std::to_string(device.bus);
  std::string text = std::to_string(device.bus) + "-";
  for (std::size_t i = 0; i < device.path.size(); ++i) {
    if (i > 0) text += '.';
    text += std::to_string(device.path[i]);
  }
  return text;
}

std::optional<UsbPortRef> usbPortName(std::string_view name) {
  const std::size_t at = name.rfind("-port");
  if (at == std::string_view::npos) return std::nullopt;
  auto hub = usbDeviceName(name.substr(0, at));
  auto port = index(name.substr(at + 5));
  if (!hub || !port || *port == 0) return std::nullopt;
  return UsbPortRef{std::move(*hub), *port};
}

std::optional<std::int64_t> usb4PortIndex(std::string_view name) {
  if (!name.starts_with("usb4_port")) return std::nullopt;
  return index(name.substr(9));
}

std::optional<RouterName> routerName(std::string_view name) {
  const std::size_t dash = name.find('-');
  if (dash == std::string_view::npos) return std::nullopt;
  auto domain = index(name.substr(0, dash));
  const std::string_view hex = name.substr(dash + 1);
  if (!domain || hex.empty() || hex.size() > 16) return std::nullopt;
  std::uint64_t route = 0;
  auto [end, ec] = std::from_chars(hex.data(), hex.data() + hex.size(), route, 16);
  if (ec != std::errc{} || end != hex.data() + hex.size()) return std::nullopt;
  // The kernel prints routes in lower case; upper case is not its name.
  for (char c : hex) {
    if (c >= 'A' && c <= 'F') return std::nullopt;
  }
  std::int64_t depth = 0;
  for (std::uint64_t rest = route; rest != 0; rest >>= 8) ++depth;
  return RouterName{*domain, route, depth};
}

std::optional<std::int64_t> usb4PortDomain(std::string_view linkTarget) {
  while (linkTarget.ends_with('/')) linkTarget.remove_suffix(1);
  const std::size_t last = linkTarget.rfind('/');
  if (last == std::string_view::npos) return std::nullopt;
  if (!usb4PortIndex(linkTarget.substr(last + 1))) return std::nullopt;
  std::string_view parent = linkTarget.substr(0, last);
  const std::size_t before = parent.rfind('/');
  parent = before == std::string_view::npos ? parent : parent.substr(before + 1);
  auto router = routerName(parent);
  if (!router || router->depth != 0) return std::nullopt;
  return router->domain;
}

}  // namespace plugscope::sysfs
