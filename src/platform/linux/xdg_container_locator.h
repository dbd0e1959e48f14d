#pragma once

#include "platform/linux/xdg_dirs.h"
#include "shared/snapshot_store.h"

namespace plugscope {

// $XDG_DATA_HOME/<app group> (XDG fallbacks), created with any missing
// parents when needed, the container itself mode 0700. None without a home
// directory or when the directory cannot be made.
class XdgContainerLocator final : public ContainerLocator {
 public:
  explicit XdgContainerLocator(const Environment& env) : env_(env) {}
  std::optional<std::string> containerDirectory() const override;

 private:
  const Environment& env_;
};

}  // namespace plugscope
