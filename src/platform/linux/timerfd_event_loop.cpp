#include "platform/linux/timerfd_event_loop.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <poll.h>
#include <sys/timerfd.h>
#include <unistd.h>

namespace plugscope {

struct TimerFdEventLoop::Entry {
  int fd = -1;
  std::function<void()> action;
  bool cancelled = false;
  ~Entry() {
    if (fd >= 0) ::close(fd);
  }
};

namespace {

class TimerHandle final : public RepeatingTimer {
 public:
  explicit TimerHandle(std::shared_ptr<TimerFdEventLoop::Entry> entry) : entry_(std::move(entry)) {}
  ~TimerHandle() override {
    if (entry_) entry_->cancelled = true;
  }

 private:
  std::shared_ptr<TimerFdEventLoop::Entry> entry_;
};

timespec toTimespec(EventLoop::Seconds interval) {
  const double seconds = std::max(interval.count(), 1e-9);
  timespec value{};
  value.tv_sec = static_cast<time_t>(std::floor(seconds));
  value.tv_nsec = static_cast<long>((seconds - std::floor(seconds)) * 1e9);
  if (value.tv_sec == 0 && value.tv_nsec == 0) value.tv_nsec = 1;
  return value;
}

}  // namespace

std::unique_ptr<RepeatingTimer> TimerFdEventLoop::scheduleRepeating(Seconds interval,
                                                                    std::function<void()> action) {
  auto entry = std::make_shared<Entry>();
  entry->action = std::move(action);
  entry->fd = ::timerfd_create(CLOCK_MONOTONIC, TFD_CLOEXEC | TFD_NONBLOCK);
  if (entry->fd >= 0) {
    itimerspec schedule{};
    schedule.it_interval = toTimespec(interval);
    schedule.it_value = schedule.it_interval;
    if (::timerfd_settime(entry->fd, 0, &schedule, nullptr) == 0) entries_.push_back(entry);
  }
  // A timer that could not be made simply never fires.
  return std::make_unique<TimerHandle>(entry);
}

void TimerFdEventLoop::run() {
  stopped_ = false;
  while (!stopped_) {
    std::erase_if(entries_, [](const auto& entry) { return entry->cancelled; });
    std::vector<pollfd> waiting;
    for (const auto& entry : entries_) waiting.push_back({entry->fd, POLLIN, 0});
    // Blocks until a timer expires; with no timers, until a signal ends us.
    const int ready = ::poll(waiting.data(), waiting.size(), -1);
    if (ready < 0) {
      if (errno == EINTR) continue;
      return;
    }
    // Entries may be cancelled or added by the actions below.
    const auto current = entries_;
    for (std::size_t i = 0; i < waiting.size() && !stopped_; ++i) {
      if ((waiting[i].revents & POLLIN) == 0) continue;
      std::uint64_t expirations = 0;
      if (::read(waiting[i].fd, &expirations, sizeof expirations) != sizeof expirations) continue;
      // However many due times passed, the action runs once.
      if (!current[i]->cancelled) current[i]->action();
    }
  }
}

}  // namespace plugscope
