#include "agent/plugscope_app.h"

#include <gtest/gtest.h>

#include "agent_fakes.h"

namespace plugscope {
namespace {

using test::CountingReload;
using test::EventLog;
using test::FakeEventLoop;
using test::FakeLoginItem;
using test::ManualClock;
using test::RecordingMerger;
using test::RecordingWriter;
using test::ScriptedScanner;

struct AppFixture {
  AppFixture() { scanner.log = writer.log = reload.log = loginItem.log = loop.log = &log; }

  EventLog log;
  ManualClock clock;
  ScriptedScanner scanner;
  RecordingMerger merger;
  RecordingWriter writer;
  CountingReload reload;
  FakeLoginItem loginItem;
  FakeEventLoop loop;
  std::shared_ptr<PlugscopeApp> app = std::make_shared<PlugscopeApp>(
      loginItem, RefreshCycle(clock, scanner, merger, writer, reload), loop);
};

TEST(PlugscopeApp, LaunchRegistersPublishesThenStartsTheTimer) {
  for (const bool registrationWorks : {true, false}) {
    AppFixture f;
    f.loginItem.succeeds = registrationWorks;
    f.app->didFinishLaunching();
    EXPECT_EQ(f.log, (EventLog{"login", "scan", "save", "reload", "timer"})) << registrationWorks;
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
  EXPECT_EQ(f.log, (EventLog{"scan", "scan", "save", "reload"}));
}

TEST(PlugscopeApp, TickAfterTheAppIsGoneDoesNothing) {
  AppFixture f;
  f.app->didFinishLaunching();
  const auto timer = f.loop.timers.at(0);
  f.app.reset();
  EXPECT_TRUE(timer->cancelled) << "the app owns its timer";
  f.log.clear();
  timer->action();  // a tick already on its way
  EXPECT_TRUE(f.log.empty());
}

}  // namespace
}  // namespace plugscope
