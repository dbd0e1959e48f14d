#pragma once

#include <cstdint>

#include "agent/reload_requester.h"
#include "platform/linux/system/xdg_dirs.h"
#include "shared/snapshot_store.h"

namespace plugscope {

inline constexpr const char* kReloadFileName = "reload";

// Broadcasts a reload by atomically replacing reloadDirectory()/reload
// (directory created 0700) with a stamp: decimal digits and "\n", one more
// than the larger of the stamp found there and the last one this requester
// wrote, so it grows across agent restarts. Widget hosts watch the
// directory for the file being moved in. Failures are dropped.
class FileReloadRequester final : public ReloadRequester {
 public:
  FileReloadRequester(const Environment& env, FileSystem& files) : env_(env), files_(files) {}
  void requestReload() override;

 private:
  const Environment& env_;
  FileSystem& files_;
  std::int64_t lastStamp_ = 0;
};

}  // namespace plugscope
