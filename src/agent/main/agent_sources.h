#pragma once

#include <memory>

#include "agent/device_events.h"
#include "platform/linux/system/xdg_dirs.h"
#include "scanner/registry_source.h"

namespace plugscope {

// The registry the agent scans and the device events it follows, fixed at
// build time: each agent executable links exactly one definition of these.
std::unique_ptr<RegistrySource> makeAgentRegistrySource(const Environment& env);
std::unique_ptr<DeviceEvents> makeAgentDeviceEvents();

}  // namespace plugscope
