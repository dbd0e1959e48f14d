#include "platform/linux/sysfs_registry.h"

#include "advice/hint_rules.h"
#include "platform/linux/sysfs_facts_reader.h"
#include "sysfs_rules/registry_from_facts.h"

namespace plugscope {

MemoryRegistry buildSysfsRegistry(const SysfsTree& tree) {
  return registryFromFacts(readSysfsFacts(tree));
}

RegistryReading readSysfsRegistry(const SysfsTree& tree) {
  const SysfsFacts facts = readSysfsFacts(tree);
  return {std::make_shared<const MemoryRegistry>(registryFromFacts(facts)),
          advice::adviceFromFacts(facts)};
}

SysfsRegistrySource::SysfsRegistrySource(std::string root) : tree_(std::move(root)) {}

std::shared_ptr<const RegistryAccess> SysfsRegistrySource::current() {
  return std::make_shared<const MemoryRegistry>(buildSysfsRegistry(tree_));
}

RegistryReading SysfsRegistrySource::reading() { return readSysfsRegistry(tree_); }

}  // namespace plugscope
