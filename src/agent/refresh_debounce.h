#pragma once

#include <chrono>
#include <optional>

namespace plugscope {

// When the refresh that device events ask for runs. One plug brings a
// burst of events over tens of milliseconds, and the kernel may still be
// filling in the devices' files, so a burst gets one refresh, kQuiet after
// its last event, but never later than kLongest after its first, so that a
// steady trickle of events cannot hold the refresh back. Times are read
// from any steady clock; nothing here reads one.
class RefreshDebounce {
 public:
  using Seconds = std::chrono::duration<double>;
  static constexpr Seconds kQuiet{0.1};
  static constexpr Seconds kLongest{0.5};

  // Notes an event at `now`, starting a burst when none is pending.
  void eventAt(Seconds now);
  // When the pending burst's refresh is due; none without a burst.
  std::optional<Seconds> due() const;
  // True when a burst is pending and due at `now`; the burst then ends, and
  // later events start a new one.
  bool takeDue(Seconds now);

 private:
  std::optional<Seconds> first_;
  Seconds last_{};
};

}  // namespace plugscope
