#include "agent/plugscope_app.h"

#include <utility>

namespace plugscope {

PlugscopeApp::PlugscopeApp(LoginItem& loginItem, RefreshCycle cycle, EventLoop& loop,
                           DeviceEvents& devices)
    : loginItem_(loginItem), cycle_(std::move(cycle)), loop_(loop), devices_(devices) {}

void PlugscopeApp::didFinishLaunching() {
  // Whether the agent starts at login changes nothing about this run.
  static_cast<void>(loginItem_.registerAtLogin());
  cycle_.initialRefresh();
  timer_ = loop_.scheduleRepeating(kRefreshInterval, [app = weak_from_this()] {
    if (auto strong = app.lock()) strong->cycle_.refresh();
  });
  listening_ = devices_.listen(loop_, [app = weak_from_this()] {
    if (auto strong = app.lock()) strong->deviceEventArrived();
  });
}

void PlugscopeApp::deviceEventArrived() {
  debounce_.eventAt(loop_.now());
  // A pending wake-up comes no later than the new due time; it re-arms.
  if (!eventRefresh_) scheduleEventRefresh();
}

void PlugscopeApp::scheduleEventRefresh() {
  const auto due = debounce_.due();
  if (!due) return;
  eventRefresh_ = loop_.scheduleOnce(*due - loop_.now(), [app = weak_from_this()] {
    if (auto strong = app.lock()) strong->eventRefreshDue();
  });
}

void PlugscopeApp::eventRefreshDue() {
  eventRefresh_.reset();
  if (debounce_.takeDue(loop_.now())) {
    cycle_.refresh();
  } else {
    // Later events pushed the refresh back.
    scheduleEventRefresh();
  }
}

}  // namespace plugscope
