#pragma once

#include "agent/device_events.h"

struct udev_device;
struct udev_monitor;

namespace plugscope {

// Device events from udev's monitor (after udev has handled them, so the
// devices' files are in place) for the subsystems whose devices a scan
// reads: typec, usb, thunderbolt, power_supply, usb_power_delivery. A
// monitor that cannot be opened gives no registration. Every wake-up of
// the monitor's socket is reported, also one that brings no event: the
// socket may have overrun and lost events.
class UdevDeviceEvents final : public DeviceEvents {
 public:
  // Takes the monitor's next queued event: null when none is left or the
  // read failed (errno says which: EAGAIN, or ENOBUFS after the socket
  // overran). libudev's own unless a test stands in for the kernel.
  using Receive = std::function<udev_device*(udev_monitor*)>;

  UdevDeviceEvents();
  explicit UdevDeviceEvents(Receive receive) : receive_(std::move(receive)) {}

  std::unique_ptr<LoopRegistration> listen(EventLoop& loop,
                                           std::function<void()> arrived) override;

 private:
  Receive receive_;
};

}  // namespace plugscope
