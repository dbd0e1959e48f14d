#pragma once

#include "agent/device_events.h"

namespace plugscope {

// Device events from udev's monitor (after udev has handled them, so the
// devices' files are in place) for the subsystems whose devices a scan
// reads: typec, usb, thunderbolt, power_supply, usb_power_delivery. A
// monitor that cannot be opened gives no registration.
class UdevDeviceEvents final : public DeviceEvents {
 public:
  std::unique_ptr<LoopRegistration> listen(EventLoop& loop,
                                           std::function<void()> arrived) override;
};

}  // namespace plugscope
