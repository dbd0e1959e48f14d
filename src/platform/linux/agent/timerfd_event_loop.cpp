#include "platform/linux/agent/timerfd_event_loop.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <ctime>
#include <poll.h>
#include <sys/timerfd.h>
#include <unistd.h>

#include "platform/linux/system/unique_fd.h"

namespace plugscope {

struct TimerFdEventLoop::Entry {
  enum class Kind { repeating, once, readable };
  Kind kind = Kind::repeating;
  UniqueFd timer;  // a timer's own timerfd; a watched descriptor is its owner's
  int fd = -1;     // what poll waits on: the timer's or the watched one
  std::function<void()> action;
  bool cancelled = false;
};

namespace {

class EntryHandle final : public LoopRegistration {
 public:
  explicit EntryHandle(std::shared_ptr<TimerFdEventLoop::Entry> entry) : entry_(std::move(entry)) {}
  ~EntryHandle() override {
    if (entry_) entry_->cancelled = true;
  }

 private:
  std::shared_ptr<TimerFdEventLoop::Entry> entry_;
};

// Zero disarms a timerfd, so the shortest wait is one nanosecond.
timespec toTimespec(EventLoop::Seconds interval) {
  const double seconds = std::max(interval.count(), 1e-9);
  timespec value{};
  value.tv_sec = static_cast<time_t>(std::floor(seconds));
  value.tv_nsec = static_cast<long>((seconds - std::floor(seconds)) * 1e9);
  if (value.tv_sec == 0 && value.tv_nsec == 0) value.tv_nsec = 1;
  return value;
}

}  // namespace

EventLoop::Seconds TimerFdEventLoop::now() const {
  timespec ts{};
  ::clock_gettime(CLOCK_MONOTONIC, &ts);
  return Seconds(static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9);
}

std::unique_ptr<LoopRegistration> TimerFdEventLoop::addTimer(Seconds first, Seconds interval,
                                                             std::function<void()> action) {
  auto entry = std::make_shared<Entry>();
  entry->kind = interval.count() > 0 ? Entry::Kind::repeating : Entry::Kind::once;
  entry->action = std::move(action);
  entry->timer.reset(::timerfd_create(CLOCK_MONOTONIC, TFD_CLOEXEC | TFD_NONBLOCK));
  entry->fd = entry->timer.get();
  if (entry->fd >= 0) {
    itimerspec schedule{};
    if (entry->kind == Entry::Kind::repeating) schedule.it_interval = toTimespec(interval);
    schedule.it_value = toTimespec(first);
    if (::timerfd_settime(entry->fd, 0, &schedule, nullptr) == 0) entries_.push_back(entry);
  }
  // A timer that could not be made simply never fires.
  return std::make_unique<EntryHandle>(entry);
}

std::unique_ptr<LoopRegistration> TimerFdEventLoop::scheduleRepeating(
    Seconds interval, std::function<void()> action) {
  // A repeating timer needs a positive interval; the shortest is 1 ns.
  interval = std::max(interval, Seconds(1e-9));
  return addTimer(interval, interval, std::move(action));
}

std::unique_ptr<LoopRegistration> TimerFdEventLoop::scheduleOnce(Seconds delay,
                                                                 std::function<void()> action) {
  return addTimer(delay, Seconds(0), std::move(action));
}

std::unique_ptr<LoopRegistration> TimerFdEventLoop::watchReadable(int fd,
                                                                  std::function<void()> action) {
  auto entry = std::make_shared<Entry>();
  entry->kind = Entry::Kind::readable;
  entry->fd = fd;
  entry->action = std::move(action);
  if (fd >= 0) entries_.push_back(entry);
  return std::make_unique<EntryHandle>(entry);
}

void TimerFdEventLoop::run() {
  stopped_ = false;
  while (!stopped_) {
    std::erase_if(entries_, [](const auto& entry) { return entry->cancelled; });
    std::vector<pollfd> waiting;
    for (const auto& entry : entries_) waiting.push_back({entry->fd, POLLIN, 0});
    // Blocks until a timer expires or a descriptor is readable; with
    // nothing registered, until a signal ends us.
    const int ready = ::poll(waiting.data(), waiting.size(), -1);
    if (ready < 0) {
      if (errno == EINTR) continue;
      return;
    }
    // Entries may be cancelled or added by the actions below.
    const auto current = entries_;
    for (std::size_t i = 0; i < waiting.size() && !stopped_; ++i) {
      Entry& entry = *current[i];
      if (entry.kind == Entry::Kind::readable) {
        const short events = waiting[i].revents;
        // A closed descriptor or a hung-up one with nothing left to read
        // would wake us for ever. An error (a netlink socket that overran)
        // goes to the action, whose read clears it.
        if ((events & POLLNVAL) != 0 || ((events & POLLHUP) != 0 && (events & POLLIN) == 0)) {
          entry.cancelled = true;
        } else if ((events & (POLLIN | POLLERR)) != 0 && !entry.cancelled) {
          entry.action();
        }
        continue;
      }
      if ((waiting[i].revents & POLLIN) == 0) continue;
      std::uint64_t expirations = 0;
      if (::read(entry.fd, &expirations, sizeof expirations) != sizeof expirations) continue;
      if (entry.cancelled) continue;
      if (entry.kind == Entry::Kind::once) entry.cancelled = true;
      // However many due times passed, the action runs once.
      entry.action();
    }
  }
}

}  // namespace plugscope
