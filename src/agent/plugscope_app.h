#pragma once

#include <memory>

#include "agent/device_events.h"
#include "agent/event_loop.h"
#include "agent/login_item.h"
#include "agent/refresh_cycle.h"
#include "agent/refresh_debounce.h"

namespace plugscope {

// The agent application: registers the login item, publishes once at
// launch, then refreshes every two seconds on the event loop's thread, and
// in between shortly after each burst of device events (RefreshDebounce).
// Event refreshes come on top of the ticks and never move them. Owned
// through a shared_ptr; its timers refer to it weakly, and it owns them.
class PlugscopeApp : public std::enable_shared_from_this<PlugscopeApp> {
 public:
  static constexpr EventLoop::Seconds kRefreshInterval{2.0};

  PlugscopeApp(LoginItem& loginItem, RefreshCycle cycle, EventLoop& loop, DeviceEvents& devices);

  // Runs once, on the loop's thread, before the loop runs: a failed login
  // registration is dropped; the launch refresh completes before the timer
  // exists; device events that cannot be listened to leave the timer alone.
  void didFinishLaunching();

  const RefreshCycle& cycle() const { return cycle_; }

 private:
  void deviceEventArrived();
  void eventRefreshDue();
  void scheduleEventRefresh();

  LoginItem& loginItem_;
  RefreshCycle cycle_;
  EventLoop& loop_;
  DeviceEvents& devices_;
  RefreshDebounce debounce_;
  std::unique_ptr<LoopRegistration> timer_;
  std::unique_ptr<LoopRegistration> listening_;
  std::unique_ptr<LoopRegistration> eventRefresh_;  // while a burst is pending
};

}  // namespace plugscope
