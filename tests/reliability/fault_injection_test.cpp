// The agent and the widget under failing file and process layers: the real
// store on a real directory behind a file system that fails on demand, and
// the real process runner starting scripts that stand in for the report
// tool. Whatever fails, the old snapshot and advice files stay whole, a
// host never pairs them wrongly, the reload is requested, the agent keeps
// ticking and retries the save that wrote nothing, and the widget shows a
// live scan.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>

#include "agent/agent_fakes.h"
#include "agent/plugscope_app.h"
#include "agent/refresh_steps.h"
#include "agent/thunderbolt_report.h"
#include "host/advice_reader.h"
#include "fault_injection_fakes.h"
#include "platform/linux/posix_file_system.h"
#include "platform/linux/spawn_process_runner.h"
#include "platform/linux/xdg_container_locator.h"
#include "platform/map_environment.h"
#include "shared/snapshot_json.h"
#include "shared/snapshot_store.h"
#include "test_support.h"
#include "widget/cable_provider.h"

namespace plugscope {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using test::FileFaults;

// One receptacle, port 1, with a Thunderbolt 4 dock on it.
const std::string kReport =
    R"({"SPThunderboltDataType":[{"_name":"thunderbolt_bus","receptacle_1_tag":)"
    R"({"receptacle_id_key":"1","receptacle_status_key":"receptacle_connected",)"
    R"("current_speed_key":"Up to 40 Gb/s"},)"
    R"("_items":[{"device_name_key":"Dock","mode_key":"thunderbolt_four"}]}]})";

using test::readAll;

void writeAll(const fs::path& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

std::vector<std::string> entriesOf(const fs::path& directory) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(directory)) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

// Port 1 with a Thunderbolt link as the registry shows it; `variant` sets
// fields the report never touches, so that each scan differs.
PortStatus thunderboltPort(int variant) {
  PortStatus port;
  port.id = "Port-USB-C@1";
  port.number = 1;
  port.connected = true;
  port.protocols = {"Thunderbolt", "USB 3"};
  port.smartCable = variant >= 1;
  port.activeCable = variant >= 2;
  return port;
}

// What the report above makes of the port: its speed and device, and the
// mode in place of the first "Thunderbolt".
PortStatus withReport(PortStatus port) {
  port.speed = "Up to 40 Gb/s";
  port.device = "Dock";
  port.protocols[0] = "Thunderbolt 4";
  return port;
}

// The agent as composed for the machine, but with the fakes' clock, timer
// and scan, a failing file system over the real one and the report tool
// replaced by a script in the test's directory.
struct AgentRig {
  explicit AgentRig(const fs::path& root)
      : container(root / "data" / kAppGroupIdentifier), tool(root / "system_profiler") {
    env.variables["XDG_DATA_HOME"] = (root / "data").string();
    fs::create_directories(container);
    useTool("printf '%s' '" + kReport + "'");
  }

  // Makes the stand-in report tool run `body` under /bin/sh.
  void useTool(const std::string& body) {
    writeAll(tool, "#!/bin/sh\n" + body + "\n");
    fs::permissions(tool, fs::perms::owner_all);
  }

  void scan(int variant, double now, std::vector<AdviceEntry> advice = {}) {
    scanner.next.ports = {thunderboltPort(variant)};
    scanner.nextAdvice = std::move(advice);
    clock.seconds = now;
  }

  std::string fileBytes() const { return readAll(container / kSnapshotFileName); }
  std::string adviceBytes() const { return readAll(container / kAdviceFileName); }
  std::optional<Snapshot> fileSnapshot() const { return decodeSnapshotOrNone(fileBytes()); }

  fs::path container;
  fs::path tool;
  test::ManualClock clock;
  test::ScriptedScanner scanner;
  SpawnProcessRunner realRunner{1s};
  test::StandInRunner runner{realRunner, tool.string()};
  ThunderboltMerger merger{runner};
  test::MapEnvironment env;
  PosixFileSystem posix;
  test::FailingFileSystem files{posix};
  XdgContainerLocator locator{env, files};
  SnapshotStore store{locator, files};
  StoreSnapshotWriter storeWriter{store};
  test::RecordingSaves writer{storeWriter};
  test::CountingReload reload;
  test::FakeLoginItem loginItem;
  test::FakeEventLoop loop;
  NoDeviceEvents devices;
  std::shared_ptr<PlugscopeApp> app = std::make_shared<PlugscopeApp>(
      loginItem, RefreshCycle(clock, scanner, merger, writer, reload), loop, devices);
};

Snapshot published(PortStatus port, double taken) {
  return {{std::move(port)}, std::nullopt, {taken}};
}

TEST(FaultInjection, AgentKeepsTheOldFileReloadsAndKeepsTickingThroughEachFault) {
  // What the file holds after the publication that met the fault.
  enum class Outcome { oldFileKept, scanWithoutReport, scanWithReport };
  struct Case {
    const char* name;
    std::function<void(AgentRig&)> inject;
    Outcome outcome;
  };
  const auto fileFault = [](void (*set)(FileFaults&)) {
    return [set](AgentRig& rig) { set(rig.files.faults); };
  };
  const auto tool = [](std::string body) {
    return [body](AgentRig& rig) { rig.useTool(body); };
  };
  const std::string half = kReport.substr(0, kReport.size() / 2);
  using F = FileFaults;
  const Case cases[] = {
      {"permission denied", fileFault([](F& f) { f.createDenied = true; }),
       Outcome::oldFileKept},
      {"no space at all", fileFault([](F& f) { f.spaceLeft = 0; }), Outcome::oldFileKept},
      {"short write, the disk fills mid-file", fileFault([](F& f) { f.spaceLeft = 20; }),
       Outcome::oldFileKept},
      {"flush fails", fileFault([](F& f) { f.flushFails = true; }), Outcome::oldFileKept},
      {"close reports a late write error", fileFault([](F& f) { f.closeFails = true; }),
       Outcome::oldFileKept},
      {"rename fails", fileFault([](F& f) { f.renameFails = true; }), Outcome::oldFileKept},
      {"the container cannot be made", fileFault([](F& f) { f.makeDirectoryFails = true; }),
       Outcome::oldFileKept},
      // Once renamed, the new file is in place; these only cost durability
      // or the sweep of an earlier writer's leftovers.
      {"directory flush fails", fileFault([](F& f) { f.directoryFlushFails = true; }),
       Outcome::scanWithReport},
      {"directory cannot be listed", fileFault([](F& f) { f.listFails = true; }),
       Outcome::scanWithReport},
      {"report tool missing", [](AgentRig& rig) { fs::remove(rig.tool); },
       Outcome::scanWithoutReport},
      {"tool hangs after printing the report", tool("printf '%s' '" + kReport + "'; sleep 30"),
       Outcome::scanWithoutReport},
      {"tool closes its output after the report, then hangs",
       tool("printf '%s' '" + kReport + "'; exec >&-; sleep 30"), Outcome::scanWithoutReport},
      {"tool killed by a signal midway through the report",
       tool("printf '%s' '" + half + "'; kill -KILL $$"), Outcome::scanWithoutReport},
      // The runner ignores how the tool ended; a whole report is a report.
      {"tool killed by a signal after the whole report",
       tool("printf '%s' '" + kReport + "'; kill -KILL $$"), Outcome::scanWithReport},
      {"tool floods its output", tool("head -c 17000000 /dev/zero"), Outcome::scanWithoutReport},
  };

  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    AgentRig rig(test::freshTestDirectory("faults"));
    rig.scan(0, 100);
    rig.app->didFinishLaunching();
    ASSERT_EQ(rig.fileSnapshot(), published(withReport(thunderboltPort(0)), 100));
    const std::string launchBytes = rig.fileBytes();

    // A change meets the fault.
    c.inject(rig);
    rig.scan(1, 102);
    const auto start = std::chrono::steady_clock::now();
    rig.loop.tick();
    EXPECT_LT(std::chrono::steady_clock::now() - start, 10s) << "the tool's time bound holds";
    EXPECT_EQ(rig.reload.requests, 2);
    switch (c.outcome) {
      case Outcome::oldFileKept:
        EXPECT_EQ(rig.fileBytes(), launchBytes);
        break;
      case Outcome::scanWithoutReport:
        EXPECT_EQ(rig.fileSnapshot(), published(thunderboltPort(1), 102));
        break;
      case Outcome::scanWithReport:
        EXPECT_EQ(rig.fileSnapshot(), published(withReport(thunderboltPort(1)), 102));
        break;
    }
    const std::vector<std::string> twoFiles{kAdviceFileName, kSnapshotFileName};
    EXPECT_EQ(entriesOf(rig.container), twoFiles);

    // An unchanged tick retries only a save that wrote nothing (advice and
    // snapshot, one file each), and meets the fault again.
    const std::string afterFault = rig.fileBytes();
    const int retries = c.outcome == Outcome::oldFileKept ? 1 : 0;
    rig.writer.saves.clear();
    rig.scan(1, 104);
    rig.loop.tick();
    const std::vector<std::string> retried = {"advice", "snapshot"};
    EXPECT_EQ(rig.writer.saves, retries ? retried : std::vector<std::string>{});
    EXPECT_EQ(rig.reload.requests, 2 + retries);
    EXPECT_EQ(rig.fileBytes(), afterFault);

    // The fault is gone: the next change is published as usual.
    rig.files.faults = {};
    rig.useTool("printf '%s' '" + kReport + "'");
    rig.scan(2, 106);
    rig.loop.tick();
    EXPECT_EQ(rig.reload.requests, 3 + retries);
    EXPECT_EQ(rig.fileSnapshot(), published(withReport(thunderboltPort(2)), 106));
    EXPECT_EQ(entriesOf(rig.container), twoFiles);
    EXPECT_EQ(rig.scanner.takenTimes, (std::vector<double>{100, 102, 104, 106}));
    EXPECT_EQ(rig.runner.asked,
              std::vector<std::string>(static_cast<std::size_t>(3 + retries), kSystemProfilerPath));
  }
}

// One fault on the advice, the snapshot or every file, meeting a change of
// the ports or of the advice alone. Whatever fails, both files stay whole
// and readable, a host never shows hints about other ports, and every
// refresh retries the save that wrote nothing, and only that, until one
// writes; then the pair holds the latest scan and its hints.
TEST(FaultInjection, AFailedSaveOfEitherFileKeepsThePairAndIsRetriedUntilItWrites) {
  struct Fault {
    const char* name;
    void (*set)(FileFaults&);
    bool perFile;  // can hit one file's writes alone
  };
  using F = FileFaults;
  const Fault faults[] = {
      {"permission denied", [](F& f) { f.createDenied = true; }, true},
      {"no space at all", [](F& f) { f.spaceLeft = 0; }, true},
      {"short write, the disk fills mid-file", [](F& f) { f.spaceLeft = 20; }, true},
      {"flush fails", [](F& f) { f.flushFails = true; }, true},
      {"close reports a late write error", [](F& f) { f.closeFails = true; }, true},
      {"rename fails", [](F& f) { f.renameFails = true; }, true},
      {"the container cannot be made", [](F& f) { f.makeDirectoryFails = true; }, false},
  };
  using Saves = std::vector<std::string>;
  struct Case {
    const char* name;
    const char* failing;  // the file the fault hits; null: every file
    bool portsChange;     // else only the advice changes
    bool adviceKept, snapshotKept;  // by the refresh that met the fault
    bool oldHintsShown;             // else none: the two files' taken differ
    Saves retried;                  // by each later refresh until one writes
    double pairTaken;               // of the pair once whole again
  };
  const Case cases[] = {
      {"the ports change, the advice's save fails", kAdviceFileName, true, true, false, false,
       {"advice"}, 102},
      {"the ports change, the snapshot's save fails", kSnapshotFileName, true, false, true,
       false, {"advice", "snapshot"}, 106},
      {"the ports change, both saves fail", nullptr, true, true, true, true,
       {"advice", "snapshot"}, 106},
      {"only the advice changes, its save fails", kAdviceFileName, false, true, true, true,
       {"advice"}, 100},
      {"only the advice changes, every save fails", nullptr, false, true, true, true, {"advice"},
       100},
  };
  const std::vector<AdviceEntry> before{{1, "cable-limits-speed", {}, "before"}};
  const std::vector<AdviceEntry> after{{1, "device-below-its-speed", {}, "after"}};
  const std::vector<std::string> pair{kAdviceFileName, kSnapshotFileName};

  for (const Case& c : cases) {
    for (const Fault& fault : faults) {
      if (c.failing && !fault.perFile) continue;
      SCOPED_TRACE(std::string(c.name) + ": " + fault.name);
      AgentRig rig(test::freshTestDirectory("pair-faults"));
      // A host reads the pair through a file system of its own.
      const XdgContainerLocator hostLocator(rig.env, rig.posix);
      const SnapshotStore stored(hostLocator, rig.posix);
      const AdviceReader host(stored);
      // The hints a host shows beside the stored snapshot.
      const auto shown = [&]() -> std::vector<AdviceEntry> {
        const auto snapshot = stored.loadSnapshot();
        if (!snapshot) ADD_FAILURE() << "no snapshot to show";
        return snapshot ? host.hintsFor(*snapshot) : std::vector<AdviceEntry>{};
      };
      rig.scan(0, 100, before);
      rig.app->didFinishLaunching();
      ASSERT_EQ(shown(), before);
      const std::string oldAdvice = rig.adviceBytes(), oldSnapshot = rig.fileBytes();
      const int variant = c.portsChange ? 1 : 0;
      const Snapshot latest = published(withReport(thunderboltPort(variant)), 102);

      // A change meets the fault.
      fault.set(rig.files.faults);
      rig.files.faults.onlyFile = c.failing;
      rig.writer.saves.clear();
      rig.scan(variant, 102, after);
      rig.loop.tick();
      const Saves publication = c.portsChange ? Saves{"advice", "snapshot"} : Saves{"advice"};
      EXPECT_EQ(rig.writer.saves, publication);
      if (c.adviceKept) {
        EXPECT_EQ(rig.adviceBytes(), oldAdvice);
      } else {
        EXPECT_EQ(stored.loadAdvice(), (Advice{{102}, after}));
      }
      if (c.snapshotKept) {
        EXPECT_EQ(rig.fileBytes(), oldSnapshot);
      } else {
        EXPECT_EQ(stored.loadSnapshot(), latest);
      }
      EXPECT_EQ(shown(), c.oldHintsShown ? before : std::vector<AdviceEntry>{});

      // The next refresh sees nothing new and retries, meeting the fault again.
      rig.writer.saves.clear();
      rig.scan(variant, 104, after);
      rig.loop.tick();
      EXPECT_EQ(rig.writer.saves, c.retried);
      EXPECT_TRUE(!c.adviceKept || rig.adviceBytes() == oldAdvice);
      EXPECT_TRUE(!c.snapshotKept || rig.fileBytes() == oldSnapshot);
      EXPECT_TRUE(stored.loadAdvice() && stored.loadSnapshot()) << "both stay readable";
      EXPECT_EQ(shown(), c.oldHintsShown ? before : std::vector<AdviceEntry>{});
      EXPECT_EQ(entriesOf(rig.container), pair);

      // The fault is gone: the retry writes, and the pair is whole again.
      rig.files.faults = {};
      rig.writer.saves.clear();
      rig.scan(variant, 106, after);
      rig.loop.tick();
      EXPECT_EQ(rig.writer.saves, c.retried);
      EXPECT_EQ(stored.loadAdvice(), (Advice{{c.pairTaken}, after}));
      EXPECT_EQ(rig.fileSnapshot(), published(withReport(thunderboltPort(variant)),
                                              c.portsChange ? c.pairTaken : 100));
      EXPECT_EQ(shown(), after);
      EXPECT_EQ(entriesOf(rig.container), pair);

      // Settled: nothing more to save.
      rig.writer.saves.clear();
      rig.scan(variant, 108, after);
      rig.loop.tick();
      EXPECT_EQ(rig.writer.saves, Saves{});
      EXPECT_EQ(rig.reload.requests, 4) << "launch, fault, retry, retry that wrote";
    }
  }
}

TEST(FaultInjection, TemporaryFileThatCouldNotBeRemovedGoesWithTheNextSave) {
  const fs::path container = test::freshTestDirectory("faults");
  test::FixedLocator locator(container.string());
  PosixFileSystem posix;
  test::FailingFileSystem files(posix);
  const SnapshotStore store(locator, files);
  store.saveSnapshot(published(thunderboltPort(0), 1));
  const std::string first = readAll(container / kSnapshotFileName);

  files.faults.renameFails = true;
  files.faults.removeFails = true;
  store.saveSnapshot(published(thunderboltPort(1), 2));
  EXPECT_EQ(readAll(container / kSnapshotFileName), first);
  EXPECT_EQ(entriesOf(container).size(), 2u) << "the failed save's file is stuck";
  EXPECT_EQ(store.loadSnapshot(), published(thunderboltPort(0), 1));

  files.faults = {};
  store.saveSnapshot(published(thunderboltPort(2), 3));
  EXPECT_EQ(entriesOf(container), std::vector<std::string>{kSnapshotFileName});
  EXPECT_EQ(store.loadSnapshot(), published(thunderboltPort(2), 3));
}

// The store as the widget's plug-in reads it.
class StoreLoader final : public SnapshotLoader {
 public:
  explicit StoreLoader(const SnapshotStore& store) : store_(store) {}
  std::optional<Snapshot> loadSnapshot() const override { return store_.loadSnapshot(); }

 private:
  const SnapshotStore& store_;
};

// This machine, as the widget's own scan sees it: port 7, nothing plugged in.
class OnePortMachine final : public RegistrySource {
 public:
  std::shared_ptr<const RegistryAccess> current() override {
    ++scans;
    return registry_;
  }
  int scans = 0;

 private:
  std::shared_ptr<const MemoryRegistry> registry_ =
      std::make_shared<MemoryRegistry>(test::registryFromJson(R"({"entries": [
        {"classes": ["IOPort"], "properties": {"PortTypeDescription": "USB-C",
         "PortDescription": "Port-USB-C@7", "PortNumber": 7, "ConnectionActive": false}}]})"));
};

TEST(FaultInjection, WidgetShowsALiveScanWhenTheStoredFileIsUnusable) {
  struct Case {
    const char* name;
    std::function<void(const fs::path& file, test::FailingFileSystem&)> spoil;
    bool storedShown;
  };
  const std::string stored = *encodeSnapshot(published(thunderboltPort(0), 1));
  const Case cases[] = {
      {"file as the agent left it", [](const fs::path&, test::FailingFileSystem&) {}, true},
      {"read error", [](const fs::path&, test::FailingFileSystem& files) {
         files.faults.readFails = true;
       }, false},
      {"file cut short", [&](const fs::path& file, test::FailingFileSystem&) {
         writeAll(file, stored.substr(0, stored.size() - 7));
       }, false},
      {"empty file", [](const fs::path& file, test::FailingFileSystem&) { writeAll(file, ""); },
       false},
      {"bytes that are not text", [](const fs::path& file, test::FailingFileSystem&) {
         writeAll(file, std::string("\0\xff\xfe{\"ports\"", 12));
       }, false},
      {"file removed", [](const fs::path& file, test::FailingFileSystem&) { fs::remove(file); },
       false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const fs::path container = test::freshTestDirectory("widget");
    const fs::path file = container / kSnapshotFileName;
    writeAll(file, stored);
    test::FixedLocator locator(container.string());
    PosixFileSystem posix;
    test::FailingFileSystem files(posix);
    const SnapshotStore store(locator, files);
    StoreLoader loader(store);
    OnePortMachine machine;
    test::ManualClock clock;
    clock.seconds = 500;
    const CableProvider provider(loader, machine, clock);

    c.spoil(file, files);
    std::vector<Timeline> timelines;
    provider.getTimeline({}, [&](const Timeline& t) { timelines.push_back(t); });

    ASSERT_EQ(timelines.size(), 1u);
    ASSERT_EQ(timelines[0].entries.size(), 1u);
    const Snapshot& shown = timelines[0].entries[0].snapshot;
    if (c.storedShown) {
      EXPECT_EQ(shown, published(thunderboltPort(0), 1));
      EXPECT_EQ(machine.scans, 0);
      continue;
    }
    EXPECT_EQ(machine.scans, 1);
    ASSERT_EQ(shown.ports.size(), 1u);
    EXPECT_EQ(shown.ports[0].id, "Port-USB-C@7");
    EXPECT_FALSE(shown.ports[0].connected);
    EXPECT_EQ(shown.taken.seconds, 500) << "dated by the request";
  }
}

}  // namespace
}  // namespace plugscope
