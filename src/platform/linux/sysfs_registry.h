#pragma once

#include <memory>
#include <string>

#include "platform/linux/sysfs_tree.h"
#include "scanner/memory_registry.h"
#include "scanner/registry_source.h"

namespace plugscope {

inline constexpr const char* kLiveSysfsRoot = "/sys";

// Builds, from the kernel's view of the machine, the registry that the
// scanner reads: the facts the tree tells (readSysfsFacts), turned into
// entries by the rules (registryFromFacts). A missing or unreadable file
// is an absent fact, never an error: an empty or missing tree gives an
// empty registry. Reads only, never opens a device, and keeps nothing
// between calls.
MemoryRegistry buildSysfsRegistry(const SysfsTree& tree);

// The registry and the advice from one reading of the tree's facts.
RegistryReading readSysfsRegistry(const SysfsTree& tree);

// The live registry of the Linux build: every call reads the sysfs tree
// afresh into a registry of its own. Keeps no state beyond the root path,
// so calls from several threads do not interfere.
class SysfsRegistrySource final : public RegistrySource {
 public:
  explicit SysfsRegistrySource(std::string root = kLiveSysfsRoot);
  std::shared_ptr<const RegistryAccess> current() override;
  RegistryReading reading() override;

 private:
  SysfsTree tree_;
};

}  // namespace plugscope
