#include "platform/linux/system/xdg_container_locator.h"

namespace plugscope {

std::optional<std::string> XdgContainerLocator::containerDirectory() const {
  auto directory = plugscope::containerDirectory(env_);
  if (!directory || !files_.makeDirectories(*directory, 0700)) return std::nullopt;
  return directory;
}

}  // namespace plugscope
