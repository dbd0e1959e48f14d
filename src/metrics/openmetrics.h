#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "shared/snapshot.h"

namespace plugscope {

// One hint about one port: the port's `number` and the hint's id.
struct PortHint {
  std::int64_t port = 0;
  std::string hint;
};

// The snapshot as OpenMetrics text for a node exporter's textfile collector,
// ending in "# EOF" and a line break. Every family is a gauge with HELP and
// TYPE lines and is left out when it has no series; the Prometheus text
// parser reads the same text (it takes "# EOF" for a comment).
//
// Per-port series carry the labels port (the number) and id. A port whose
// (number, id) was written before is left out, since an exporter drops
// duplicate series; so is a repeated protocol of one port. A hint goes to
// the first written port of its number, once per (port, hint); a hint for
// a number no port has is left out. Label values follow labelValue().
//
// None, writing nothing, when the snapshot holds a number that is not
// finite, as the snapshot file's JSON does.
std::optional<std::string> encodeOpenMetrics(const Snapshot& snapshot,
                                             const std::vector<PortHint>& hints);

// The link speed a port's speed text names, in bytes per second: its first
// number followed by a unit of bits per second ("10 Gb/s", "480 Mbps",
// "Up to 40 Gb/s x1"), divided by 8. None when the text names no such
// speed or the speed is not positive.
std::optional<double> linkSpeedBytesPerSecond(std::string_view speed);

}  // namespace plugscope
