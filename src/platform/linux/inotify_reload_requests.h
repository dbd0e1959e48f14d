#pragma once

#include <optional>
#include <string>

#include "host/reload_requests.h"
#include "platform/linux/unique_fd.h"
#include "shared/file_system.h"

namespace plugscope {

// Reload requests as the agent makes them on Linux: a file named "reload"
// replaced (moved in) or written in the reload directory. The directory is
// created (0700, through `files`) when missing, so that the watch exists before the agent's
// first request; when it is deleted later, it is made and watched again.
// Without a directory, or when inotify is unavailable, waitFor only waits.
// Owns its inotify descriptor.
class InotifyReloadRequests final : public ReloadRequests {
 public:
  InotifyReloadRequests(std::optional<std::string> directory, FileSystem& files);
  InotifyReloadRequests(const InotifyReloadRequests&) = delete;
  InotifyReloadRequests& operator=(const InotifyReloadRequests&) = delete;

  // Requests that arrive while nobody waits are kept for the next call.
  Wait waitFor(double seconds) override;

  // The inotify descriptor, readable when events are queued; -1 without
  // inotify.
  int descriptor() const override { return fd_.get(); }

  // True while the directory is being watched.
  bool watching() const { return watch_ >= 0; }

 private:
  void watchDirectory();
  // Reads every queued event; true when one was a request.
  bool drainEvents();

  std::optional<std::string> directory_;
  FileSystem& files_;
  UniqueFd fd_;
  int watch_ = -1;
};

inline constexpr const char* kReloadRequestFileName = "reload";

}  // namespace plugscope
