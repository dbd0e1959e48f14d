#include "platform/linux/sysfs_registry.h"

#include "platform/linux/sysfs_facts_reader.h"
#include "sysfs_rules/registry_from_facts.h"

namespace plugscope {

MemoryRegistry buildSysfsRegistry(const SysfsTree& tree) {
  return registryFromFacts(readSysfsFacts(tree));
}

SysfsRegistrySource::SysfsRegistrySource(std::string root) : tree_(std::move(root)) {}

std::shared_ptr<const RegistryAccess> SysfsRegistrySource::current() {
  return std::make_shared<const MemoryRegistry>(buildSysfsRegistry(tree_));
}

}  // namespace plugscope
