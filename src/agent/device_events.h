#pragma once

#include <functional>
#include <memory>

#include "agent/event_loop.h"

namespace plugscope {

// The kernel's notices that devices a scan reads came, went or changed (a
// plug, an unplug, a role or power change). Says only that something
// happened; the scan finds out what.
class DeviceEvents {
 public:
  virtual ~DeviceEvents() = default;
  // Starts listening on `loop`: `arrived` runs on the loop's thread after
  // one or more events came in, until the registration is destroyed. None
  // when the source cannot listen (no netlink socket in a sandbox); nothing
  // is reported then.
  virtual std::unique_ptr<LoopRegistration> listen(EventLoop& loop,
                                                   std::function<void()> arrived) = 0;
};

// For an agent that follows its timer alone.
class NoDeviceEvents final : public DeviceEvents {
 public:
  std::unique_ptr<LoopRegistration> listen(EventLoop&, std::function<void()>) override {
    return nullptr;
  }
};

}  // namespace plugscope
