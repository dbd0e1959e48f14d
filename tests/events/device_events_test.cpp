// The agent in this process, following udev's monitor in a umockdev test
// bed, with its 2-second tick replaced by one that never fires: any
// publication after the launch came from a device event. No test here
// bounds how long that took; the loop only gives up after 10 s.
#include <gtest/gtest.h>
#include <libudev.h>
#include <umockdev.h>

#include <cerrno>
#include <memory>

#include "agent/agent_fakes.h"
#include "agent/plugscope_app.h"
#include "platform/linux/timerfd_event_loop.h"
#include "platform/linux/udev_device_events.h"

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
      : reload_(loop_),
        app_(std::make_shared<PlugscopeApp>(
            login_, RefreshCycle(clock_, scanner_, merger_, writer_, reload_), loop_, devices)) {
    scanner_.next = onePort(false);
    app_->didFinishLaunching();
  }

  // What every scan from now on finds: a change from the last publication.
  void portsBecome(bool connected) { scanner_.next = onePort(connected); }

  // Runs the loop until `count` publications in all (the launch's is the
  // first) or for 10 s; the publications by then.
  int runUntilPublications(int count) {
    reload_.stopAt = count;
    if (reload_.requests < count) {
      auto giveUp = loop_.scheduleOnce(EventLoop::Seconds(10), [this] { loop_.stop(); });
      loop_.run();
    }
    return reload_.requests;
  }

 private:
  struct StoppingReload final : ReloadRequester {
    explicit StoppingReload(EventLoop& loop) : loop(loop) {}
    void requestReload() override {
      if (++requests >= stopAt) loop.stop();
    }
    EventLoop& loop;
    int requests = 0;
    int stopAt = 1;
  };

  LoopWithoutTicks loop_;
  test::ManualClock clock_;
  test::ScriptedScanner scanner_;
  test::RecordingMerger merger_;
  test::RecordingWriter writer_;
  StoppingReload reload_;
  test::FakeLoginItem login_;
  std::shared_ptr<PlugscopeApp> app_;
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

TEST(DeviceEvents, AfterTheMonitorOverranARefreshIsRequestedAndTheNextEventPublished) {
  TestBed bed;
  const std::string port = bed.add("typec", "port0");
  // The kernel's part, which umockdev cannot play: the socket overran, the
  // queued events are lost, and the next read fails once with ENOBUFS.
  bool overrun = false;
  UdevDeviceEvents events([&overrun](udev_monitor* monitor) -> udev_device* {
    if (!overrun) return udev_monitor_receive_device(monitor);
    while (udev_device* lost = udev_monitor_receive_device(monitor)) udev_device_unref(lost);
    overrun = false;
    errno = ENOBUFS;
    return nullptr;
  });
  EventDrivenAgent agent(events);
  agent.portsBecome(true);
  overrun = true;
  bed.announce(port);
  EXPECT_EQ(agent.runUntilPublications(2), 2) << "no refresh after the overrun";
  agent.portsBecome(false);
  bed.announce(port);
  EXPECT_EQ(agent.runUntilPublications(3), 3) << "the next event was not published";
}

}  // namespace
}  // namespace plugscope
