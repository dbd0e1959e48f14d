#pragma once

#include <memory>
#include <vector>

#include "agent/event_loop.h"

namespace plugscope {

// EventLoop over poll(2) and CLOCK_MONOTONIC timerfds. A periodic timerfd
// keeps its grid and counts missed expirations, which are run as one
// action. Registrations may be destroyed at any time, also from their own
// action, and may outlive the loop.
class TimerFdEventLoop final : public EventLoop {
 public:
  Seconds now() const override;
  std::unique_ptr<LoopRegistration> scheduleRepeating(Seconds interval,
                                                      std::function<void()> action) override;
  std::unique_ptr<LoopRegistration> scheduleOnce(Seconds delay,
                                                 std::function<void()> action) override;
  std::unique_ptr<LoopRegistration> watchReadable(int fd, std::function<void()> action) override;
  void run() override;
  void stop() override { stopped_ = true; }

  struct Entry;

 private:
  std::unique_ptr<LoopRegistration> addTimer(Seconds first, Seconds interval,
                                             std::function<void()> action);

  std::vector<std::shared_ptr<Entry>> entries_;
  bool stopped_ = false;
};

}  // namespace plugscope
