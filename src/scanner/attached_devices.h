#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "scanner/registry.h"

namespace plugscope {

// The device chosen to represent one port name.
struct UsbDevice {
  std::string name;
  std::optional<std::int64_t> busCurrent;  // mA
  friend bool operator==(const UsbDevice&, const UsbDevice&) = default;
};

struct UsbPortName {
  std::string name;
  std::int64_t depth = 0;  // parent steps from the device to the entry naming the port
  friend bool operator==(const UsbPortName&, const UsbPortName&) = default;
};

inline constexpr std::int64_t kUsbPortWalkLimit = 12;  // the device and 11 ancestors
inline constexpr std::string_view kFallbackDeviceName = "USB device";

// Port name → device, for every port name that some USB host device leads
// back to. Hubs are chosen only when every device under the name is a hub;
// then the smallest depth wins, then the longest name (in user-perceived
// characters), then registry order.
std::map<std::string, UsbDevice> usbDevicesByPort(const RegistryAccess& registry);

// Socket number → model name of the depth-1 Thunderbolt switch on that
// socket; the last switch in registry order wins a socket.
std::map<std::int64_t, std::string> thunderboltDevicesBySocket(const RegistryAccess& registry);

// Walks from a USB host device towards its port: the first "UsbIOPort"
// string on the device or one of its 11 nearest ancestors, reduced to its
// last non-empty "/" piece.
std::optional<UsbPortName> findUsbPortName(const RegistryAccess& registry, EntryRef device);

// Whole-name, case-sensitive match of "USB ?[0-9.]+ ?Hub".
bool isHubName(std::string_view name);

// Extended grapheme clusters in UTF-8 text; an invalid byte counts as one.
std::size_t userPerceivedLength(std::string_view text);

}  // namespace plugscope
