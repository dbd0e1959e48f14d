#pragma once

#include "shared/clock.h"

namespace plugscope {

// The system's wall-clock time.
class SystemClock final : public Clock {
 public:
  PointInTime now() const override;
};

}  // namespace plugscope
