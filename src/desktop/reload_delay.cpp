#include "desktop/reload_delay.h"

#include <cmath>

namespace plugscope {

unsigned reloadDelayMilliseconds(PointInTime now, PointInTime next) {
  const double remaining = next.seconds - now.seconds;
  // Negated comparisons, so that a NaN waits the longest rather than spin.
  if (!(remaining < kLongestReloadWaitSeconds)) {
    return static_cast<unsigned>(kLongestReloadWaitSeconds * 1000);
  }
  if (!(remaining > 0)) return 0;
  return static_cast<unsigned>(std::ceil(remaining * 1000));
}

}  // namespace plugscope
