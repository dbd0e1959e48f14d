#pragma once

#include <memory>
#include <vector>

#include "scanner/registry.h"
#include "shared/advice.h"

namespace plugscope {

// One reading of the machine: the registry the scanner reads and the hints
// that the same facts give (advice entries in port order, without taken).
struct RegistryReading {
  std::shared_ptr<const RegistryAccess> registry;
  std::vector<AdviceEntry> advice;
};

// Where scans find their registry: the machine's live registry, a fixture
// file, a sysfs tree. Each call gives the registry as it stands now; a
// source that cannot read anything gives an empty registry, never null.
class RegistrySource {
 public:
  virtual ~RegistrySource() = default;
  virtual std::shared_ptr<const RegistryAccess> current() = 0;
  // The registry and the advice of one reading, so that both come from the
  // same facts, read once. A source that knows no facts (a fixture) gives
  // no advice.
  virtual RegistryReading reading() { return {current(), {}}; }
};

}  // namespace plugscope
