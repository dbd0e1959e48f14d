#pragma once

#include <memory>

#include "scanner/registry.h"

namespace plugscope {

// Where scans find their registry: the machine's live registry, a fixture
// file, a sysfs tree. Each call gives the registry as it stands now; a
// source that cannot read anything gives an empty registry, never null.
class RegistrySource {
 public:
  virtual ~RegistrySource() = default;
  virtual std::shared_ptr<const RegistryAccess> current() = 0;
};

}  // namespace plugscope
