#include "platform/linux/agent/udev_device_events.h"

#include <libudev.h>

namespace plugscope {
namespace {

constexpr const char* kSubsystems[] = {"typec", "usb", "thunderbolt", "power_supply",
                                       "usb_power_delivery"};

// Owns the monitor and its registration on the loop; the registration goes
// first, while the descriptor is still open.
class Listening final : public LoopRegistration {
 public:
  Listening(udev* context, udev_monitor* monitor, UdevDeviceEvents::Receive receive)
      : context_(context), monitor_(monitor), receive_(std::move(receive)) {}
  ~Listening() override {
    watch_.reset();
    if (monitor_) udev_monitor_unref(monitor_);
    if (context_) udev_unref(context_);
  }
  Listening(const Listening&) = delete;
  Listening& operator=(const Listening&) = delete;

  bool start(EventLoop& loop, std::function<void()> arrived) {
    if (!context_ || !monitor_) return false;
    for (const char* subsystem : kSubsystems) {
      if (udev_monitor_filter_add_match_subsystem_devtype(monitor_, subsystem, nullptr) < 0) {
        return false;
      }
    }
    if (udev_monitor_enable_receiving(monitor_) < 0) return false;
    const int fd = udev_monitor_get_fd(monitor_);
    if (fd < 0) return false;
    watch_ = loop.watchReadable(fd, [this, arrived = std::move(arrived)] {
      // The socket is non-blocking: take every queued event, report once.
      // A wake-up without an event is reported too: it may be a socket
      // that overran and lost events.
      while (udev_device* device = receive_(monitor_)) {
        udev_device_unref(device);
      }
      arrived();
    });
    return watch_ != nullptr;
  }

 private:
  udev* context_;
  udev_monitor* monitor_;
  UdevDeviceEvents::Receive receive_;
  std::unique_ptr<LoopRegistration> watch_;
};

}  // namespace

UdevDeviceEvents::UdevDeviceEvents() : receive_(udev_monitor_receive_device) {}

std::unique_ptr<LoopRegistration> UdevDeviceEvents::listen(EventLoop& loop,
                                                           std::function<void()> arrived) {
  udev* context = udev_new();
  udev_monitor* monitor = context ? udev_monitor_new_from_netlink(context, "udev") : nullptr;
  auto listening = std::make_unique<Listening>(context, monitor, receive_);
  if (!listening->start(loop, std::move(arrived))) return nullptr;
  return listening;
}

}  // namespace plugscope
