#pragma once

#include <memory>

#include "platform/linux/xdg_dirs.h"
#include "scanner/registry_source.h"

namespace plugscope {

// The registry the agent scans, fixed at build time: each agent executable
// links exactly one definition of this.
std::unique_ptr<RegistrySource> makeAgentRegistrySource(const Environment& env);

}  // namespace plugscope
