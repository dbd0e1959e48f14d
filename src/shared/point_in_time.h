#pragma once

namespace plugscope {

// Seconds since 2001-01-01 00:00:00 UTC, the reference instant of every
// timestamp we store. Unix time = seconds + kUnixTimeOfReference.
struct PointInTime {
  double seconds = 0.0;

  friend bool operator==(PointInTime, PointInTime) = default;
};

inline constexpr double kUnixTimeOfReference = 978307200.0;

}  // namespace plugscope
