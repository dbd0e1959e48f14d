#include "agent/plugscope_app.h"

#include <utility>

namespace plugscope {

PlugscopeApp::PlugscopeApp(LoginItem& loginItem, RefreshCycle cycle, EventLoop& loop)
    : loginItem_(loginItem), cycle_(std::move(cycle)), loop_(loop) {}

void PlugscopeApp::didFinishLaunching() {
  // Whether the agent starts at login changes nothing about this run.
  static_cast<void>(loginItem_.registerAtLogin());
  cycle_.initialRefresh();
  timer_ = loop_.scheduleRepeating(kRefreshInterval, [app = weak_from_this()] {
    if (auto strong = app.lock()) strong->cycle_.refresh();
  });
}

}  // namespace plugscope
