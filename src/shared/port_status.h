#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace plugscope {

// The state of one USB-C port at one moment. A plain value; `id` is its
// identity, but nothing requires ids to be unique within a snapshot.
struct PortStatus {
  std::string id;
  std::int64_t number = 0;
  bool connected = false;
  std::vector<std::string> protocols;
  std::optional<std::string> speed;
  std::optional<std::string> device;
  bool smartCable = false;
  bool activeCable = false;
  bool opticalCable = false;
  std::optional<double> usbPowerWatts;
  bool powerIn = false;

  const std::string& identity() const { return id; }

  // Field by field; usbPowerWatts compares numerically (0.0 == -0.0).
  friend bool operator==(const PortStatus&, const PortStatus&) = default;
};

// Consistent with ==: -0.0 hashes like 0.0. List order matters, and an
// optional contributes a presence marker before its value.
std::size_t hashValue(const PortStatus& port);
std::size_t hashValue(const std::vector<PortStatus>& ports);

}  // namespace plugscope

template <>
struct std::hash<plugscope::PortStatus> {
  std::size_t operator()(const plugscope::PortStatus& p) const { return plugscope::hashValue(p); }
};
