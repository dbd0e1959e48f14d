#pragma once

#include <memory>

#include "agent/event_loop.h"
#include "agent/login_item.h"
#include "agent/refresh_cycle.h"

namespace plugscope {

// The agent application: registers the login item, publishes once at
// launch, then refreshes every two seconds on the event loop's thread.
// Owned through a shared_ptr; its timer refers to it weakly, and it owns
// the timer.
class PlugscopeApp : public std::enable_shared_from_this<PlugscopeApp> {
 public:
  static constexpr EventLoop::Seconds kRefreshInterval{2.0};

  PlugscopeApp(LoginItem& loginItem, RefreshCycle cycle, EventLoop& loop);

  // Runs once, on the loop's thread, before the loop runs: a failed login
  // registration is dropped; the launch refresh completes before the timer
  // exists.
  void didFinishLaunching();

  const RefreshCycle& cycle() const { return cycle_; }

 private:
  LoginItem& loginItem_;
  RefreshCycle cycle_;
  EventLoop& loop_;
  std::unique_ptr<RepeatingTimer> timer_;
};

}  // namespace plugscope
