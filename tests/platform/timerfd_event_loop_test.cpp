#include "platform/linux/agent/timerfd_event_loop.h"

#include <gtest/gtest.h>

#include <chrono>
#include <ctime>
#include <string>
#include <thread>
#include <vector>
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace plugscope {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

double cpuSeconds() {
  timespec ts{};
  ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

TEST(TimerFdEventLoop, TicksOnItsGridAndWaitsWithoutSpinning) {
  TimerFdEventLoop loop;
  std::vector<Clock::time_point> ticks;
  const auto start = Clock::now();
  const double cpuBefore = cpuSeconds();
  auto timer = loop.scheduleRepeating(EventLoop::Seconds(0.1), [&] {
    ticks.push_back(Clock::now());
    if (ticks.size() == 3) loop.stop();
  });
  loop.run();
  ASSERT_EQ(ticks.size(), 3u);
  EXPECT_GE(ticks[0] - start, 100ms) << "the first tick comes one interval after creation";
  EXPECT_GE(ticks[2] - start, 300ms);
  EXPECT_LT(cpuSeconds() - cpuBefore, 0.1) << "waiting must not burn CPU";
}

TEST(TimerFdEventLoop, OverrunningActionIsFollowedByOneImmediateTick) {
  TimerFdEventLoop loop;
  std::vector<Clock::time_point> ticks;
  Clock::time_point overrunEnd;
  const auto start = Clock::now();
  auto timer = loop.scheduleRepeating(EventLoop::Seconds(0.2), [&] {
    ticks.push_back(Clock::now());
    if (ticks.size() == 1) {
      std::this_thread::sleep_for(450ms);  // runs past the due times 0.4 s and 0.6 s
      overrunEnd = Clock::now();
    }
    if (ticks.size() == 3) loop.stop();
  });
  loop.run();
  ASSERT_EQ(ticks.size(), 3u);
  // Once, as soon as the long action ends (the next grid point, 0.8 s, is
  // 150 ms away), and then on the grid again rather than a burst.
  EXPECT_LT(ticks[1] - overrunEnd, 100ms);
  EXPECT_GE(ticks[2] - start, 800ms);
  EXPECT_GE(ticks[2] - ticks[1], 100ms);
}

TEST(TimerFdEventLoop, CancelledTimersNeverFire) {
  TimerFdEventLoop loop;
  int cancelledTicks = 0, selfCancelling = 0, ticks = 0;
  auto cancelled = loop.scheduleRepeating(EventLoop::Seconds(0.02), [&] { ++cancelledTicks; });
  cancelled.reset();
  std::unique_ptr<LoopRegistration> own;
  own = loop.scheduleRepeating(EventLoop::Seconds(0.02), [&] {
    ++selfCancelling;
    own.reset();
  });
  auto keeper = loop.scheduleRepeating(EventLoop::Seconds(0.03), [&] {
    if (++ticks == 4) loop.stop();
  });
  loop.run();
  EXPECT_EQ(cancelledTicks, 0);
  EXPECT_EQ(selfCancelling, 1);
}

TEST(TimerFdEventLoop, OneShotTimersAndReadableDescriptorsRunOnTheLoop) {
  TimerFdEventLoop loop;
  int pipeEnds[2];
  ASSERT_EQ(::pipe(pipeEnds), 0);
  const auto start = loop.now();
  std::vector<std::string> seen;
  auto cancelled = loop.scheduleOnce(EventLoop::Seconds(0.01), [&] { seen.push_back("cancelled"); });
  cancelled.reset();
  auto writer = loop.scheduleOnce(EventLoop::Seconds(0.05), [&] {
    seen.push_back("once");
    EXPECT_GE((loop.now() - start).count(), 0.05);
    ASSERT_EQ(::write(pipeEnds[1], "ab", 2), 2);
  });
  auto watch = loop.watchReadable(pipeEnds[0], [&] {
    char bytes[8];
    seen.push_back("read " + std::string(bytes, static_cast<std::size_t>(::read(pipeEnds[0], bytes, 8))));
    // The writer goes away: a hung-up descriptor must not wake the loop for ever.
    ::close(pipeEnds[1]);
  });
  const double cpuBefore = cpuSeconds();
  auto end = loop.scheduleOnce(EventLoop::Seconds(0.3), [&] { loop.stop(); });
  loop.run();
  EXPECT_EQ(seen, (std::vector<std::string>{"once", "read ab"}));
  EXPECT_LT(cpuSeconds() - cpuBefore, 0.1) << "waiting must not burn CPU";
  ::close(pipeEnds[0]);
}

// A datagram socket on the loopback that a test can make fail: it sends to
// a port nobody listens on, and the kernel's "port unreachable" leaves an
// error on it (POLLERR) that the next read takes away, as an overrun does
// on a netlink socket. A sender on that port later reaches it again.
class FailingSocket {
 public:
  FailingSocket() {
    fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    const int closed = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    address(fd, true);
    peer_ = address(closed, true);
    ::connect(fd, reinterpret_cast<const sockaddr*>(&peer_), sizeof peer_);
    ::close(closed);
  }
  ~FailingSocket() { ::close(fd); }
  FailingSocket(const FailingSocket&) = delete;
  FailingSocket& operator=(const FailingSocket&) = delete;

  // The error: a datagram nobody receives.
  void fail() { ASSERT_EQ(::send(fd, "x", 1, 0), 1); }
  // Data from the peer's port, bound again.
  void receive() {
    const int sender = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    ASSERT_EQ(::bind(sender, reinterpret_cast<const sockaddr*>(&peer_), sizeof peer_), 0);
    sockaddr_in self = address(fd, false);
    ASSERT_EQ(::sendto(sender, "y", 1, 0, reinterpret_cast<const sockaddr*>(&self), sizeof self), 1);
    ::close(sender);
  }
  // What one read takes: "data y", "error" or "nothing".
  std::string take() const {
    char byte = 0;
    const ssize_t n = ::recv(fd, &byte, 1, 0);
    if (n == 1) return std::string("data ") + byte;
    return errno == ECONNREFUSED ? "error" : "nothing";
  }

  int fd = -1;

 private:
  static sockaddr_in address(int socket, bool bindAny) {
    sockaddr_in at{};
    at.sin_family = AF_INET;
    at.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (bindAny) ::bind(socket, reinterpret_cast<const sockaddr*>(&at), sizeof at);
    socklen_t length = sizeof at;
    ::getsockname(socket, reinterpret_cast<sockaddr*>(&at), &length);
    return at;
  }
  sockaddr_in peer_{};
};

TEST(TimerFdEventLoop, AnErrorOnAWatchedDescriptorGoesToTheActionAndTheWatchStays) {
  TimerFdEventLoop loop;
  FailingSocket socket;
  std::vector<std::string> taken;
  auto watch = loop.watchReadable(socket.fd, [&] {
    taken.push_back(socket.take());
    if (taken.size() == 1) socket.receive();  // the next event, after the error
    if (taken.size() == 2) loop.stop();
  });
  auto giveUp = loop.scheduleOnce(EventLoop::Seconds(10), [&] { loop.stop(); });
  socket.fail();
  loop.run();
  EXPECT_EQ(taken, (std::vector<std::string>{"error", "data y"}));
}

}  // namespace
}  // namespace plugscope
