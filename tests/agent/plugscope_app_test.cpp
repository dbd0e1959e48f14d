#include "agent/plugscope_app.h"

#include <gtest/gtest.h>

#include <vector>

#include "agent_fakes.h"

namespace plugscope {
namespace {

using test::CountingReload;
using test::EventLog;
using test::FakeDeviceEvents;
using test::FakeEventLoop;
using test::FakeLoginItem;
using test::ManualClock;
using test::RecordingMerger;
using test::RecordingWriter;
using test::ScriptedScanner;

struct AppFixture {
  AppFixture() {
    scanner.log = writer.log = reload.log = loginItem.log = loop.log = &log;
    loop.clock = &clock;
  }

  EventLog log;
  ManualClock clock;
  ScriptedScanner scanner;
  RecordingMerger merger;
  RecordingWriter writer;
  CountingReload reload;
  FakeLoginItem loginItem;
  FakeEventLoop loop;
  FakeDeviceEvents devices;
  std::shared_ptr<PlugscopeApp> app = std::make_shared<PlugscopeApp>(
      loginItem, RefreshCycle(clock, scanner, merger, writer, reload), loop, devices);
};

TEST(PlugscopeApp, LaunchRegistersPublishesThenStartsTheTimer) {
  for (const bool registrationWorks : {true, false}) {
    AppFixture f;
    f.loginItem.succeeds = registrationWorks;
    f.app->didFinishLaunching();
    EXPECT_EQ(f.log, (EventLog{"login", "scan", "advice", "save", "reload", "timer"})) << registrationWorks;
    ASSERT_EQ(f.loop.timers.size(), 1u);
    EXPECT_EQ(f.loop.timers[0]->interval.count(), 2.0);
  }
}

TEST(PlugscopeApp, EachTickRefreshes) {
  AppFixture f;
  PortStatus port;
  port.id = "Port-USB-C@1";
  port.number = 1;
  f.scanner.next.ports = {port};
  f.app->didFinishLaunching();
  f.log.clear();
  f.loop.tick();
  EXPECT_EQ(f.log, EventLog{"scan"});
  f.scanner.next.ports.clear();
  f.loop.tick();
  EXPECT_EQ(f.log, (EventLog{"scan", "scan", "advice", "save", "reload"}));
}

TEST(PlugscopeApp, DeviceEventsAddRefreshesAndTheTicksKeepTheirGrid) {
  struct Case {
    const char* name;
    std::vector<double> events;
    std::vector<double> scans;  // launch at 0, ticks at 2 and 4
    bool monitorOpens = true;
  };
  const Case cases[] = {
      {"no event", {}, {0, 2, 4}},
      {"one event", {0.7}, {0, 0.8, 2, 4}},
      {"a burst", {0.7, 0.75, 0.8}, {0, 0.9, 2, 4}},
      {"a trickle is cut at the longest wait", {0.5, 0.58, 0.66, 0.74, 0.82, 0.9, 0.98, 1.06},
       {0, 1.0, 1.16, 2, 4}},
      {"an event just before a tick", {1.95}, {0, 2, 2.05, 4}},
      {"a burst across a tick", {1.96, 2.0, 2.04}, {0, 2, 2.14, 4}},
      {"monitor that cannot be opened", {0.7, 1.95}, {0, 2, 4}, false},
  };
  for (const Case& c : cases) {
    AppFixture f;
    f.devices.available = c.monitorOpens;
    f.app->didFinishLaunching();
    for (const double at : c.events) {
      f.loop.advanceTo(at);
      f.devices.arrive();
    }
    f.loop.advanceTo(4.5);
    const std::vector<double>& got = f.scanner.takenTimes;
    ASSERT_EQ(got.size(), c.scans.size()) << c.name;
    for (std::size_t i = 0; i < got.size(); ++i) EXPECT_NEAR(got[i], c.scans[i], 1e-9) << c.name;
  }
}

TEST(PlugscopeApp, TickOrEventAfterTheAppIsGoneDoesNothing) {
  AppFixture f;
  f.app->didFinishLaunching();
  const auto timer = f.loop.timers.at(0);
  f.loop.advanceTo(0.5);
  f.devices.arrive();  // a refresh falls due at 0.6
  const auto eventRefresh = f.loop.timers.back();
  f.app.reset();
  EXPECT_TRUE(timer->cancelled) << "the app owns its timers";
  EXPECT_TRUE(eventRefresh->cancelled);
  f.log.clear();
  timer->action();  // a tick already on its way
  eventRefresh->action();
  f.devices.arrive();
  f.loop.advanceTo(3);
  EXPECT_TRUE(f.log.empty());
}

}  // namespace
}  // namespace plugscope
