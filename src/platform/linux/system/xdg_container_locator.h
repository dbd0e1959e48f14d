#pragma once

#include "platform/linux/system/xdg_dirs.h"
#include "shared/snapshot_store.h"

namespace plugscope {

// $XDG_DATA_HOME/<app group> (XDG fallbacks), created through `files` with
// any missing parents when needed, the container itself mode 0700. None
// without a home directory or when the directory cannot be made.
class XdgContainerLocator final : public ContainerLocator {
 public:
  XdgContainerLocator(const Environment& env, FileSystem& files) : env_(env), files_(files) {}
  std::optional<std::string> containerDirectory() const override;

 private:
  const Environment& env_;
  FileSystem& files_;
};

}  // namespace plugscope
