#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "shared/point_in_time.h"
#include "shared/port_status.h"

namespace plugscope {

// The whole machine at one moment: ports in ascending number (equal
// numbers in registry order), the charger's watts while one is connected,
// and when the scan started.
struct Snapshot {
  std::vector<PortStatus> ports;
  std::optional<std::int64_t> chargerWatts;
  PointInTime taken;

  friend bool operator==(const Snapshot&, const Snapshot&) = default;
};

std::size_t hashValue(const Snapshot& snapshot);

}  // namespace plugscope

template <>
struct std::hash<plugscope::Snapshot> {
  std::size_t operator()(const plugscope::Snapshot& s) const { return plugscope::hashValue(s); }
};
