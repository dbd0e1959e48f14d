// `plugscope`: scans the machine's live registry, read from sysfs.
#include "agent/main/agent_registry_source.h"
#include "platform/linux/sysfs_registry.h"

namespace plugscope {

std::unique_ptr<RegistrySource> makeAgentRegistrySource(const Environment&) {
  return std::make_unique<SysfsRegistrySource>();
}

}  // namespace plugscope
