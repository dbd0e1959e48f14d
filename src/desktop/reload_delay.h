#pragma once

#include "shared/point_in_time.h"

namespace plugscope {

// Long waits are cut so that a clock set forward is noticed within this.
inline constexpr double kLongestReloadWaitSeconds = 60;

// How long the window sleeps, in GLib's milliseconds, before it asks the
// provider again for the entry due at `next` when the clock says `now`: the
// time left rounded up to a whole millisecond, 0 when it is due already,
// never more than kLongestReloadWaitSeconds (also when `next` is no number).
unsigned reloadDelayMilliseconds(PointInTime now, PointInTime next);

}  // namespace plugscope
