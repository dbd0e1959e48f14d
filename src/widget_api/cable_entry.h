#pragma once

#include <vector>

#include "shared/point_in_time.h"
#include "shared/snapshot.h"

namespace plugscope {

// One timeline entry: from `date` on, the widget shows `snapshot`.
struct CableEntry {
  PointInTime date;
  Snapshot snapshot;

  friend bool operator==(const CableEntry&, const CableEntry&) = default;
};

// The host asks for a new timeline once `after` has passed.
struct TimelineReloadPolicy {
  PointInTime after;

  friend bool operator==(TimelineReloadPolicy, TimelineReloadPolicy) = default;
};

struct Timeline {
  std::vector<CableEntry> entries;
  TimelineReloadPolicy policy;
};

}  // namespace plugscope
