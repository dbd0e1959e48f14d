#include "platform/linux/host/inotify_reload_requests.h"

#include <errno.h>
#include <poll.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>
#include <thread>


namespace plugscope {
namespace {

constexpr std::uint32_t kRequestEvents = IN_MOVED_TO | IN_CLOSE_WRITE;

int millisecondsFor(double seconds) {
  if (!(seconds > 0)) return 0;
  // poll takes an int; a day is more than any caller waits in one go.
  return static_cast<int>(std::ceil(std::min(seconds, 86400.0) * 1000.0));
}

}  // namespace

InotifyReloadRequests::InotifyReloadRequests(std::optional<std::string> directory,
                                             FileSystem& files)
    : directory_(std::move(directory)), files_(files) {
  if (!directory_) return;
  fd_.reset(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC));
  watchDirectory();
}

void InotifyReloadRequests::watchDirectory() {
  watch_ = -1;
  if (!fd_.valid() || !directory_ || !files_.makeDirectories(*directory_, 0700)) return;
  watch_ = ::inotify_add_watch(fd_.get(), directory_->c_str(),
                               kRequestEvents | IN_DELETE_SELF | IN_MOVE_SELF | IN_ONLYDIR);
}

bool InotifyReloadRequests::drainEvents() {
  bool requested = false;
  bool lost = false;
  alignas(inotify_event) char buffer[16 * (sizeof(inotify_event) + NAME_MAX + 1)];
  for (;;) {
    const ssize_t length = ::read(fd_.get(), buffer, sizeof buffer);
    if (length < 0 && errno == EINTR) continue;
    if (length <= 0) break;
    for (ssize_t at = 0; at < length;) {
      inotify_event event;
      std::memcpy(&event, buffer + at, sizeof event);
      const char* name = buffer + at + sizeof(inotify_event);
      if ((event.mask & kRequestEvents) && event.len > 0 &&
          std::strcmp(name, kReloadRequestFileName) == 0) {
        requested = true;
      }
      if (event.mask & (IN_IGNORED | IN_DELETE_SELF | IN_MOVE_SELF)) lost = true;
      // The kernel overflowed its queue: something may have been missed.
      if (event.mask & IN_Q_OVERFLOW) requested = true;
      at += static_cast<ssize_t>(sizeof(inotify_event) + event.len);
    }
  }
  if (lost) {
    if (watch_ >= 0) ::inotify_rm_watch(fd_.get(), watch_);
    watchDirectory();
  }
  return requested;
}

ReloadRequests::Wait InotifyReloadRequests::waitFor(double seconds) {
  using SteadyClock = std::chrono::steady_clock;
  const auto deadline = SteadyClock::now() + std::chrono::milliseconds(millisecondsFor(seconds));
  if (!fd_.valid()) {
    std::this_thread::sleep_until(deadline);
    return Wait::timedOut;
  }
  for (;;) {
    if (drainEvents()) return Wait::requested;
    const auto left = std::chrono::duration<double>(deadline - SteadyClock::now()).count();
    if (left <= 0) return Wait::timedOut;
    if (watch_ < 0) watchDirectory();  // e.g. the directory went away
    pollfd descriptor{fd_.get(), POLLIN, 0};
    const int ready = ::poll(&descriptor, 1, millisecondsFor(left));
    if (ready < 0 && errno != EINTR) {
      std::this_thread::sleep_until(deadline);
      return Wait::timedOut;
    }
  }
}

}  // namespace plugscope
