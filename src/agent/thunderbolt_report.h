#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "agent/process_runner.h"
#include "shared/snapshot.h"

namespace plugscope {

// What the system's hardware report tells about one connected receptacle.
struct ThunderboltLink {
  std::optional<std::string> speed;
  std::optional<std::string> device;
  std::optional<std::string> mode;  // display text, see modeName

  friend bool operator==(const ThunderboltLink&, const ThunderboltLink&) = default;
};

// Links by receptacle number.
using ThunderboltLinks = std::map<std::int64_t, ThunderboltLink>;

inline constexpr const char* kSystemProfilerPath = "/usr/sbin/system_profiler";
inline constexpr const char* kThunderboltDataType = "SPThunderboltDataType";

// The report of a machine is tens of kilobytes; output beyond this counts
// as a failed run rather than filling memory.
inline constexpr std::size_t kMaxThunderboltReportBytes = 16u << 20;

// "thunderbolt_three" -> "Thunderbolt 3", "_four" -> "4", "_five" -> "5",
// "usb_four" -> "USB4", anything else -> "Thunderbolt". Exact and
// case-sensitive.
std::string modeName(std::string_view value);

// The links in the report's JSON text. Any unusable document gives the empty
// map; an unusable item only gives no link. Among items with one receptacle
// number the last wins.
ThunderboltLinks parseThunderboltReport(std::string_view bytes);

// Runs the report tool once through `runner` and parses its output; the
// empty map when the tool cannot be run.
ThunderboltLinks readThunderboltLinks(ProcessRunner& runner);

// A copy of `snapshot` with the links applied to the ports of equal number:
// speed and device replace the scanned ones when present; a mode replaces
// the first "Thunderbolt" protocol and never adds one. Nothing else changes.
Snapshot applyThunderboltLinks(const Snapshot& snapshot, const ThunderboltLinks& links);

// readThunderboltLinks, then applyThunderboltLinks; the snapshot unchanged
// when there are no links.
Snapshot mergeThunderbolt(const Snapshot& snapshot, ProcessRunner& runner);

}  // namespace plugscope
