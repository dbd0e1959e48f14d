#include "agent/refresh_cycle.h"

#include <gtest/gtest.h>

#include "agent_fakes.h"
#include "shared/snapshot_json.h"

namespace plugscope {
namespace {

using test::CountingReload;
using test::FakeProcessRunner;
using test::FixedLocator;
using test::ManualClock;
using test::MemoryFileSystem;
using test::RecordingMerger;
using test::RecordingWriter;
using test::ScriptedScanner;

PortStatus port(const std::string& id, std::int64_t number) {
  PortStatus p;
  p.id = id;
  p.number = number;
  return p;
}

PortStatus phonePort(std::optional<double> watts) {
  PortStatus p = port("Port-USB-C@1", 1);
  p.connected = true;
  p.protocols = {"USB 3", "USB 2"};
  p.device = "Phone";
  p.usbPowerWatts = watts;
  return p;
}

struct CycleFixture {
  ManualClock clock;
  ScriptedScanner scanner;
  RecordingMerger merger;
  RecordingWriter writer;
  CountingReload reload;
  RefreshCycle cycle{clock, scanner, merger, writer, reload};
};

TEST(RefreshCycle, LaunchPublishesEvenWithoutPorts) {
  CycleFixture f;
  f.clock.seconds = 100.25;
  f.cycle.initialRefresh();
  ASSERT_EQ(f.writer.saved.size(), 1u);
  EXPECT_TRUE(f.writer.saved[0].ports.empty());
  EXPECT_EQ(f.writer.saved[0].taken.seconds, 100.25);
  EXPECT_EQ(f.merger.inputs.size(), 1u);
  EXPECT_EQ(f.reload.requests, 1);
}

TEST(RefreshCycle, TickPublishesOnlyWhenThePortsChange) {
  struct Case {
    const char* name;
    Snapshot launch;
    Snapshot tick;
    bool published;
  };
  PortStatus a = port("Port-USB-C@1", 1), b = port("Port-USB-C@2", 1);
  const Case cases[] = {
      {"same ports", {{phonePort(4.5)}, 96, {}}, {{phonePort(4.5)}, 96, {}}, false},
      {"only the charger differs", {{phonePort(4.5)}, 96, {}}, {{phonePort(4.5)}, 60, {}}, false},
      {"charger unplugged", {{phonePort(4.5)}, 96, {}}, {{phonePort(4.5)}, std::nullopt, {}},
       false},
      {"power 0.0 against -0.0", {{phonePort(0.0)}, {}, {}}, {{phonePort(-0.0)}, {}, {}}, false},
      {"bus power 4.5 W to 2.5 W", {{phonePort(4.5)}, {}, {}}, {{phonePort(2.5)}, {}, {}}, true},
      {"bus power absent to 0.0", {{phonePort(std::nullopt)}, {}, {}}, {{phonePort(0.0)}, {}, {}},
       true},
      {"equal numbers in the other order", {{a, b}, {}, {}}, {{b, a}, {}, {}}, true},
      {"every port lost", {{a, b}, {}, {}}, {{}, {}, {}}, true},
  };
  for (const Case& c : cases) {
    CycleFixture f;
    f.scanner.next = c.launch;
    f.clock.seconds = 10;
    f.cycle.initialRefresh();
    f.scanner.next = c.tick;
    f.clock.seconds = 12;
    f.cycle.refresh();

    const std::size_t writes = c.published ? 2 : 1;
    ASSERT_EQ(f.writer.saved.size(), writes) << c.name;
    EXPECT_EQ(f.reload.requests, static_cast<int>(writes)) << c.name;
    EXPECT_EQ(f.merger.inputs.size(), writes) << c.name;
    EXPECT_EQ(f.writer.saved.back().taken.seconds, c.published ? 12 : 10) << c.name;
    EXPECT_EQ(f.cycle.last(), c.published ? c.tick.ports : c.launch.ports) << c.name;
    if (c.published) {
      EXPECT_EQ(f.writer.saved.back().ports, c.tick.ports) << c.name;
      EXPECT_EQ(f.writer.saved.back().chargerWatts, c.tick.chargerWatts) << c.name;
    }
  }
}

TEST(RefreshCycle, MergedSnapshotIsWrittenButLastKeepsTheScan) {
  CycleFixture f;
  PortStatus dock = port("Port-USB-C@3", 3);
  dock.protocols = {"Thunderbolt", "USB 3"};
  dock.speed = "40 Gbps";
  f.scanner.next.ports = {dock};
  f.merger.change = [](const Snapshot& s) {
    Snapshot merged = s;
    merged.ports[0].speed = "40 Gb/s";
    merged.ports[0].protocols[0] = "Thunderbolt 4";
    return merged;
  };
  f.cycle.initialRefresh();
  ASSERT_EQ(f.writer.saved.size(), 1u);
  EXPECT_EQ(f.writer.saved[0].ports[0].speed, "40 Gb/s");
  EXPECT_EQ(f.writer.saved[0].ports[0].protocols[0], "Thunderbolt 4");
  EXPECT_EQ(f.cycle.last(), std::vector<PortStatus>{dock});

  // The same registry scan again: the report's differences are no change.
  f.cycle.refresh();
  EXPECT_EQ(f.writer.saved.size(), 1u);
  EXPECT_EQ(f.merger.inputs.size(), 1u);
}

TEST(RefreshCycle, UnchangedTickStartsNoProcess) {
  ManualClock clock;
  ScriptedScanner scanner;
  scanner.next.ports = {phonePort(4.5)};
  FakeProcessRunner runner;
  ThunderboltMerger merger(runner);
  RecordingWriter writer;
  CountingReload reload;
  RefreshCycle cycle(clock, scanner, merger, writer, reload);

  cycle.initialRefresh();
  ASSERT_EQ(runner.calls.size(), 1u);
  for (int i = 0; i < 5; ++i) cycle.refresh();
  EXPECT_EQ(runner.calls.size(), 1u);
  EXPECT_EQ(scanner.takenTimes.size(), 6u);
  EXPECT_EQ(writer.saved.size(), 1u);
  EXPECT_EQ(reload.requests, 1);
}

// Through the real store over a file layer that fails one step of the save.
TEST(RefreshCycle, FailedSaveIsRetriedByEachRefreshUntilOneWrites) {
  const std::pair<const char*, MemoryFileSystem::Failures> cases[] = {
      {"create", {.create = true}}, {"short write", {.append = true}}, {"flush", {.sync = true}},
      {"close", {.close = true}},   {"rename", {.rename = true}},
  };
  for (const auto& [name, failure] : cases) {
    SCOPED_TRACE(name);
    ManualClock clock;
    ScriptedScanner scanner;
    RecordingMerger merger;
    MemoryFileSystem files;
    FixedLocator locator("/container");
    SnapshotStore store(locator, files);
    StoreSnapshotWriter writer(store);
    CountingReload reload;
    RefreshCycle cycle(clock, scanner, merger, writer, reload);

    scanner.next.ports = {phonePort(4.5)};
    clock.seconds = 1;
    cycle.initialRefresh();
    ASSERT_TRUE(store.loadSnapshot());

    // A change meets the fault, and so does the same scan on the next tick.
    scanner.next.ports = {phonePort(2.5)};
    files.fail = failure;
    for (const double now : {3.0, 5.0}) {
      clock.seconds = now;
      cycle.refresh();
      EXPECT_EQ(cycle.last(), scanner.next.ports);
      EXPECT_EQ(store.loadSnapshot()->taken.seconds, 1) << "the old file stays whole";
    }
    EXPECT_EQ(reload.requests, 3);
    EXPECT_EQ(merger.inputs.size(), 3u);

    // The fault is gone: the unchanged ports are written at last, once.
    files.fail = {};
    clock.seconds = 7;
    cycle.refresh();
    EXPECT_EQ(reload.requests, 4);
    EXPECT_EQ(store.loadSnapshot(), (Snapshot{{phonePort(2.5)}, {}, {7}}));
    files.log.clear();
    clock.seconds = 9;
    cycle.refresh();
    EXPECT_TRUE(files.log.empty());
    EXPECT_EQ(reload.requests, 4);
  }
}

AdviceEntry hint(const char* id) { return AdviceEntry{1, id, {}, id}; }

// Each step: the scan's ports (phone's bus power) and advice, what the
// writer does, and what the refresh must save and request.
TEST(RefreshCycle, AdviceGoesBeforeItsSnapshotAndAloneWhenOnlyItChanges) {
  test::EventLog log;
  CycleFixture f;
  f.scanner.log = f.writer.log = f.reload.log = &log;
  struct Step {
    const char* name;
    double watts;
    std::vector<AdviceEntry> advice;
    bool snapshotSaves, adviceSaves;
    test::EventLog effects;
    std::optional<double> adviceTaken;  // of the advice saved, when one was
  };
  const Step steps[] = {
      {"launch", 4.5, {hint("a")}, true, true, {"advice", "save", "reload"}, 1},
      {"nothing changed", 4.5, {hint("a")}, true, true, {}, {}},
      {"only the advice", 4.5, {hint("b")}, true, true, {"advice", "reload"}, 1},
      {"the ports", 2.5, {hint("b")}, true, true, {"advice", "save", "reload"}, 4},
      {"ports, snapshot save fails", 4.5, {}, false, true, {"advice", "save", "reload"}, 5},
      {"retried though unchanged", 4.5, {}, true, true, {"advice", "save", "reload"}, 6},
      {"only the advice, its save fails", 4.5, {hint("c")}, true, false, {"advice", "reload"}, 6},
      {"retried though unchanged", 4.5, {hint("c")}, true, true, {"advice", "reload"}, 6},
      {"settled", 4.5, {hint("c")}, true, true, {}, {}},
  };
  for (const Step& step : steps) {
    f.clock.seconds += 1;
    f.scanner.next.ports = {phonePort(step.watts)};
    f.scanner.nextAdvice = step.advice;
    f.writer.savesSucceed = step.snapshotSaves;
    f.writer.adviceSavesSucceed = step.adviceSaves;
    log.clear();
    const std::size_t advised = f.writer.savedAdvice.size();
    if (f.clock.seconds == 1) {
      f.cycle.initialRefresh();
    } else {
      f.cycle.refresh();
    }
    log.erase(log.begin());  // the scan
    EXPECT_EQ(log, step.effects) << step.name;
    if (!step.adviceTaken) continue;
    ASSERT_EQ(f.writer.savedAdvice.size(), advised + 1) << step.name;
    EXPECT_EQ(f.writer.savedAdvice.back(), (Advice{{*step.adviceTaken}, step.advice})) << step.name;
    if (log.size() == 3) {
      EXPECT_EQ(f.writer.saved.back().taken.seconds, *step.adviceTaken) << step.name;
    }
  }
}

TEST(RefreshCycle, NoContainerAtLaunchStillReloadsAndTriesAgainNextTick) {
  ManualClock clock;
  ScriptedScanner scanner;
  scanner.next.ports = {phonePort(4.5)};
  RecordingMerger merger;
  MemoryFileSystem files;
  FixedLocator locator(std::nullopt);
  SnapshotStore store(locator, files);
  StoreSnapshotWriter writer(store);
  CountingReload reload;
  RefreshCycle cycle(clock, scanner, merger, writer, reload);

  cycle.initialRefresh();
  cycle.refresh();
  EXPECT_TRUE(files.log.empty());
  EXPECT_TRUE(files.files.empty());
  EXPECT_EQ(reload.requests, 2);
  EXPECT_EQ(cycle.last(), scanner.next.ports);
}

}  // namespace
}  // namespace plugscope
