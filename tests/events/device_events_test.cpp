// The agent in this process, following udev's monitor in a umockdev test
// bed, with its 2-second tick replaced by one that never fires: any
// publication after the launch came from a device event. No test here
// bounds how long that took; the loop only gives up after 10 s.
#include <gtest/gtest.h>
#include <libudev.h>
#include <umockdev.h>

#include <cerrno>
#include <functional>
#include <memory>

#include "agent/agent_fakes.h"
#include "agent/plugscope_app.h"
#include "platform/linux/agent/timerfd_event_loop.h"
#include "platform/linux/agent/udev_device_events.h"

namespace plugscope {
namespace {

// The real loop, but repeating timers (the agent's tick) never fire.
class LoopWithoutTicks final : public EventLoop {
 public:
  Seconds now() const override { return loop_.now(); }
  std::unique_ptr<LoopRegistration> scheduleRepeating(Seconds, std::function<void()>) override {
    return std::make_unique<LoopRegistration>();
  }
  std::unique_ptr<LoopRegistration> scheduleOnce(Seconds delay,
                                                 std::function<void()> action) override {
    return loop_.scheduleOnce(delay, std::move(action));
  }
  std::unique_ptr<LoopRegistration> watchReadable(int fd, std::function<void()> action) override {
    return loop_.watchReadable(fd, std::move(action));
  }
  void run() override { loop_.run(); }
  void stop() override { loop_.stop(); }

 private:
  TimerFdEventLoop loop_;
};

Snapshot onePort(bool connected) {
  PortStatus port;
  port.id = "Port-USB-C@1";
  port.number = 1;
  port.connected = connected;
  return Snapshot{{port}, std::nullopt, {}};
}

// The agent with scripted scans, counting its publications (reload requests).
class EventDrivenAgent {
 public:
  explicit EventDrivenAgent(DeviceEvents& devices)
      : app_(std::make_shared<PlugscopeApp>(
            login_, RefreshCycle(clock_, scanner_, merger_, writer_, reload_), loop_, devices)) {
    scanner_.next = onePort(false);
    app_->didFinishLaunching();
  }

  // What every scan from now on finds: a change from the last publication.
  void portsBecome(bool connected) { scanner_.next = onePort(connected); }

  // Runs the loop until `done` holds, checked between the loop's actions
  // every 10 ms, or for 10 s; whether it held.
  bool runUntil(const std::function<bool()>& done) {
    bool held = done();
    auto giveUp = loop_.scheduleOnce(EventLoop::Seconds(10), [this] { loop_.stop(); });
    std::function<void()> check = [&] {
      held = done();
      if (held) {
        loop_.stop();
      } else {
        checking_ = loop_.scheduleOnce(EventLoop::Seconds(0.01), check);
      }
    };
    if (!held) {
      checking_ = loop_.scheduleOnce(EventLoop::Seconds(0), check);
      loop_.run();
    }
    checking_.reset();
    return held;
  }
  // Publications in all (the launch's is the first) once there are
  // `count`, or after 10 s.
  int runUntilPublications(int count) {
    runUntil([&] { return reload_.requests >= count; });
    return reload_.requests;
  }

  int publications() const { return reload_.requests; }
  int scans() const { return static_cast<int>(scanner_.takenTimes.size()); }
  // The port's state in the last snapshot written.
  bool published() const { return writer_.saved.back().ports.at(0).connected; }
  EventLoop& loop() { return loop_; }

 private:
  LoopWithoutTicks loop_;
  test::ManualClock clock_;
  test::ScriptedScanner scanner_;
  test::RecordingMerger merger_;
  test::RecordingWriter writer_;
  test::CountingReload reload_;
  test::FakeLoginItem login_;
  std::shared_ptr<PlugscopeApp> app_;
  std::unique_ptr<LoopRegistration> checking_;
};

struct TestBed {
  TestBed() : bed(umockdev_testbed_new()) {}
  ~TestBed() { g_object_unref(bed); }
  // A device of `subsystem`, announced to every monitor listening.
  std::string add(const char* subsystem, const char* name) {
    gchar* path = umockdev_testbed_add_device(bed, subsystem, name, nullptr, "uevent", "",
                                              nullptr, nullptr);
    std::string syspath = path ? path : "";
    g_free(path);
    return syspath;
  }
  void announce(const std::string& device, const char* action = "change") {
    umockdev_testbed_uevent(bed, device.c_str(), action);
  }
  UMockdevTestbed* bed;
};

TEST(DeviceEvents, AnEventOfEverySubsystemAScanReadsIsPublishedWithoutATick) {
  TestBed bed;
  struct Row {
    const char* subsystem;
    const char* device;
  };
  const Row rows[] = {
      {"typec", "port0-partner"},
      {"usb", "1-1"},
      {"thunderbolt", "0-1"},
      {"power_supply", "ucsi-source-psy-USBC000:001"},
      {"usb_power_delivery", "pd0"},
  };
  for (const Row& row : rows) {
    const std::string device = bed.add(row.subsystem, row.device);
    ASSERT_FALSE(device.empty()) << row.subsystem;
    UdevDeviceEvents events;
    EventDrivenAgent agent(events);
    agent.portsBecome(true);
    bed.announce(device);
    EXPECT_EQ(agent.runUntilPublications(2), 2) << "a " << row.subsystem << " event";
  }
}

// The kernel's part, which umockdev cannot play: the socket overran, the
// queued events are lost, and the next read fails once with ENOBUFS. The
// agent must refresh for the lost events, keep following the ones after,
// and publish the storm's last state.
TEST(DeviceEvents, AnOverrunInAStormStillEndsWithTheLastStatePublished) {
  struct Row {
    const char* name;
    int events;     // the port flips with every seventh and with the last
    int overrunAt;  // lost with whatever was queued with it
  };
  const Row rows[] = {
      {"a lone event, lost: only the failed read tells of it", 1, 0},
      {"the storm's first event", 2000, 0},
      {"an event in the middle of the storm", 2000, 1000},
      {"the storm's last event", 2000, 1999},
  };
  TestBed bed;
  const std::string port = bed.add("typec", "port0");
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    bool overrun = false;
    int taken = 0;  // events read or lost in the overrun
    UdevDeviceEvents events([&overrun, &taken](udev_monitor* monitor) -> udev_device* {
      if (!overrun) {
        udev_device* device = udev_monitor_receive_device(monitor);
        taken += device != nullptr;
        return device;
      }
      while (udev_device* lost = udev_monitor_receive_device(monitor)) {
        udev_device_unref(lost);
        ++taken;
      }
      overrun = false;
      errno = ENOBUFS;
      return nullptr;
    });
    EventDrivenAgent agent(events);
    ASSERT_EQ(agent.publications(), 1);

    // Sent from the agent's loop, five events a turn every 2 ms (the storm
    // outlasts the 500 ms a burst may wait), once the agent took the last
    // five: umockdev stops the test bed when the monitor socket's queue of
    // ten datagrams is full.
    bool connected = false;
    int sent = 0;
    int scansAtEnd = 0;
    std::unique_ptr<LoopRegistration> sending;
    std::function<void()> sendSome = [&] {
      if (taken == sent) {
        for (int turn = 0; turn < 5 && sent < row.events; ++turn, ++sent) {
          if (sent % 7 == 6 || sent == row.events - 1) agent.portsBecome(connected = !connected);
          if (sent == row.overrunAt) overrun = true;
          bed.announce(port);
        }
      }
      if (sent < row.events) {
        sending = agent.loop().scheduleOnce(EventLoop::Seconds(0.002), sendSome);
      } else {
        scansAtEnd = agent.scans();
      }
    };
    sending = agent.loop().scheduleOnce(EventLoop::Seconds(0), sendSome);
    EXPECT_TRUE(agent.runUntil([&] { return sent == row.events && agent.scans() > scansAtEnd; }))
        << "no refresh after the storm's last event";
    EXPECT_EQ(agent.published(), connected) << "the storm's last state is not published";
  }
}

}  // namespace
}  // namespace plugscope
