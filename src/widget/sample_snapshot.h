#pragma once

#include "shared/clock.h"
#include "shared/snapshot.h"

namespace plugscope {

// The fixed two-port snapshot shown as placeholder and in the gallery.
// Built once per process on first use (safe when several threads get
// here first at once); `taken` is the clock's time at that first use and
// never changes afterwards. Later calls do not read the clock.
const Snapshot& sampleSnapshot(const Clock& clock);

// The sample's ports and charger, with `taken` as given.
Snapshot makeSampleSnapshot(PointInTime taken);

}  // namespace plugscope
