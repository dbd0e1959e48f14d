#include "host/reload_schedule.h"

#include <cmath>

namespace plugscope {

bool reloadDue(PointInTime now, PointInTime next) { return now.seconds >= next.seconds; }

double reloadDelaySeconds(PointInTime now, PointInTime next) {
  const double remaining = next.seconds - now.seconds;
  // Negated comparisons, so that a NaN waits the longest rather than spin.
  if (!(remaining < kLongestReloadWaitSeconds)) return kLongestReloadWaitSeconds;
  if (!(remaining > 0)) return 0;
  return remaining;
}

unsigned reloadDelayMilliseconds(PointInTime now, PointInTime next) {
  return static_cast<unsigned>(std::ceil(reloadDelaySeconds(now, next) * 1000));
}

bool waitForReload(ReloadRequests& requests, const Clock& clock, PointInTime next) {
  while (!reloadDue(clock.now(), next)) {
    switch (requests.waitFor(reloadDelaySeconds(clock.now(), next))) {
      case ReloadRequests::Wait::requested: return true;
      case ReloadRequests::Wait::closed: return false;
      case ReloadRequests::Wait::timedOut: break;
    }
  }
  return true;
}

}  // namespace plugscope
