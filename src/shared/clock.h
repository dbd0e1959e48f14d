#pragma once

#include "shared/point_in_time.h"

namespace plugscope {

// The wall clock, as seconds since the reference instant. Injected so that
// tests decide what time it is.
class Clock {
 public:
  virtual ~Clock() = default;
  virtual PointInTime now() const = 0;
};

}  // namespace plugscope
