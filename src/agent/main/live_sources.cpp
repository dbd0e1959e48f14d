// `plugscope`: scans the machine's live registry, read from sysfs, and
// follows udev's device events.
#include "agent/main/agent_sources.h"
#include "platform/linux/agent/udev_device_events.h"
#include "platform/linux/registry/sysfs_registry.h"

namespace plugscope {

std::unique_ptr<RegistrySource> makeAgentRegistrySource(const Environment&) {
  return std::make_unique<SysfsRegistrySource>();
}

std::unique_ptr<DeviceEvents> makeAgentDeviceEvents() {
  return std::make_unique<UdevDeviceEvents>();
}

}  // namespace plugscope
