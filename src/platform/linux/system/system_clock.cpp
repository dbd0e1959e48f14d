#include "platform/linux/system/system_clock.h"

#include <chrono>

namespace plugscope {

PointInTime SystemClock::now() const {
  const auto sinceEpoch = std::chrono::system_clock::now().time_since_epoch();
  return {std::chrono::duration<double>(sinceEpoch).count() - kUnixTimeOfReference};
}

}  // namespace plugscope
