// Hostile and huge input at every door: the snapshot file, the hardware
// report, registry fixtures, deep registries and odd bytes in names. Each
// must give its empty result (or one line from a tool) in bounded memory.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>

#include "agent/agent_fakes.h"
#include "agent/thunderbolt_report.h"
#include "platform/linux/agent/spawn_process_runner.h"
#include "platform/linux/registry/sysfs_registry.h"
#include "platform/linux/system/posix_file_system.h"
#include "platform/linux/system/xdg_container_locator.h"
#include "platform/map_environment.h"
#include "platform/sysfs_fake_tree.h"
#include "scanner/attached_devices.h"
#include "scanner/memory_registry.h"
#include "scanner/port_scan.h"
#include "scanner/registry_fixture.h"
#include "shared/json_nesting.h"
#include "shared/snapshot_json.h"
#include "shared/snapshot_store.h"
#include "test_support.h"

namespace plugscope {
namespace {

namespace fs = std::filesystem;

constexpr std::size_t kMillion = 1'000'000;
constexpr std::size_t kMebibyte = 1u << 20;

// The process's peak resident memory so far. A growth of the peak bounds
// what a step allocated at most (ctest runs each test in a fresh process).
std::size_t peakResidentBytes() {
  rusage usage{};
  ::getrusage(RUSAGE_SELF, &usage);
  return static_cast<std::size_t>(usage.ru_maxrss) * 1024;
}

std::string nested(std::size_t depth, bool closed = true) {
  return std::string(depth, '[') + (closed ? std::string(depth, ']') : std::string());
}

TEST(JsonNesting, OnlyStructuralBracketsCount) {
  struct Case {
    const char* name;
    std::string text;
    std::size_t limit;
    bool within;
  };
  const Case cases[] = {
      {"empty text", "", 0, true},
      {"flat at the limit", R"({"a":[]})", 2, true},
      {"one level too deep", R"({"a":[[]]})", 2, false},
      {"brackets inside a string", R"(["[[[{{{"])", 1, true},
      {"escaped quote keeps the string open", R"(["\"[[[[", 1])", 1, true},
      {"escaped backslash ends the string", R"(["\\", [[]]])", 2, false},
      {"escaped backslash, deep enough limit", R"(["\\", [[]]])", 3, true},
      {"closers alone never go below zero", "]]]][[", 2, true},
      {"closers alone, then too deep", "]]][[[", 2, false},
      {"unterminated", "[[[", 2, false},
  };
  for (const Case& c : cases) EXPECT_EQ(jsonNestingWithin(c.text, c.limit), c.within) << c.name;
}

TEST(DeeplyNestedJson, MillionBracketsAsTheSnapshotFileReadAsNoneInBoundedMemory) {
  const std::size_t before = peakResidentBytes();
  for (bool closed : {false, true}) {
    const auto result = decodeSnapshot(nested(kMillion, closed));
    ASSERT_TRUE(std::holds_alternative<JsonReadError>(result)) << closed;
    EXPECT_EQ(std::get<JsonReadError>(result).failure, JsonReadFailure::malformedJson);
    EXPECT_EQ(decodeSnapshotOrNone("{\"ports\":" + nested(kMillion, closed) + ",\"taken\":0}"),
              std::nullopt);
  }
  // Parsed, a million levels would take well over a hundred mebibytes.
  EXPECT_LT(peakResidentBytes() - before, 32 * kMebibyte);
}

TEST(DeeplyNestedJson, SnapshotsNestedUpToTheBoundStillRead) {
  // An unknown member is ignored however it nests, up to the bound.
  auto withMember = [](std::size_t depth) {
    return R"({"ports":[],"taken":1.5,"extra":)" + nested(depth) + "}";
  };
  const auto read = decodeSnapshotOrNone(withMember(kMaxIgnoredJsonNesting));
  ASSERT_TRUE(read);
  EXPECT_EQ(read->taken.seconds, 1.5);
  EXPECT_EQ(decodeSnapshotOrNone(withMember(kMaxIgnoredJsonNesting + 1)), std::nullopt);
}

TEST(HugeSnapshotFile, HostileFilesReadInLessMemoryThanTheirSize) {
  // `item` repeated, comma-separated, between `head` and `tail`, to 4 MiB.
  constexpr std::size_t kSize = 4 * kMebibyte;
  const auto filled = [](const std::string& head, const std::string& item, const std::string& tail) {
    std::string text = head + item;
    text.reserve(kSize);
    while (text.size() + 1 + item.size() + tail.size() <= kSize) text += "," + item;
    return text + tail;
  };
  const std::string port =
      R"({"id":"Port-USB-C@1","number":1,"connected":true,"protocols":["USB 3","USB 2"],)"
      R"("speed":"10 Gbps","device":"iPhone","smartCable":false,"activeCable":false,)"
      R"("opticalCable":false,"usbPowerWatts":2.5,"powerIn":false})";
  const std::string extra = R"({"ports":[],"taken":0,"extra":[)";
  struct Case {
    const char* name;
    std::string text;
    bool reads;
  };
  // Parsed whole, the first three took 37 to 115 MiB.
  const Case cases[] = {
      {"wide array", filled(extra, "0", "]}"), true},
      {"small objects", filled(extra, R"({"a":[]})", "]}"), true},
      {"many ports", filled(R"({"ports":[)", port, R"(],"taken":0})"), false},
      {"one long string", R"({"ports":[],"taken":0,"extra":")" + std::string(kSize - 33, 'x') + "\"}",
       false},
  };
  for (const Case& c : cases) {
    const std::size_t before = peakResidentBytes();
    EXPECT_EQ(decodeSnapshotOrNone(c.text).has_value(), c.reads) << c.name;
    EXPECT_LT(peakResidentBytes() - before, kSize) << c.name;
  }
}

TEST(DeeplyNestedJson, MillionBracketsAsTheReportGiveNoLinks) {
  const std::string item =
      R"({"r":{"receptacle_id_key":"1","receptacle_status_key":"receptacle_connected"},"deep":)";
  auto report = [&](const std::string& deep) {
    return R"({"SPThunderboltDataType":[)" + item + deep + "}]}";
  };
  const std::size_t before = peakResidentBytes();
  EXPECT_TRUE(parseThunderboltReport(nested(kMillion)).empty());
  EXPECT_TRUE(parseThunderboltReport(nested(kMillion, false)).empty());
  EXPECT_TRUE(parseThunderboltReport(report(nested(kMillion))).empty());
  EXPECT_LT(peakResidentBytes() - before, 32 * kMebibyte);
  // Below the bound a deep member beside the receptacle is merely ignored.
  EXPECT_EQ(parseThunderboltReport(report(nested(kMaxJsonNesting - 3))).size(), 1u);

  test::FakeProcessRunner runner;
  runner.output = nested(kMillion);
  Snapshot scanned;
  scanned.ports.push_back(PortStatus{"Port-USB-C@1", 1, true, {"Thunderbolt"}, "40 Gbps",
                                     std::nullopt, false, false, false, std::nullopt, false});
  EXPECT_EQ(mergeThunderbolt(scanned, runner), scanned);
}

TEST(DeeplyNestedJson, MillionBracketsAsARegistryFixtureFailWithOneLine) {
  for (const std::string& text :
       {nested(kMillion), R"({"entries":)" + nested(kMillion, false),
        R"({"entries":[{"classes":["IOPort"],"properties":{"deep":)" + nested(kMillion) + "}}]}"}) {
    std::string error;
    EXPECT_EQ(loadRegistryFixture(text, error), std::nullopt);
    EXPECT_TRUE(error.starts_with("nesting too deep at /")) << error.substr(0, 80);
    EXPECT_EQ(error.find('\n'), std::string::npos);
  }
}

// Runs the given program in place of the system tool, through the real
// runner, so that the agent's own call (path, arguments, limit) is used.
class RedirectedRunner final : public ProcessRunner {
 public:
  explicit RedirectedRunner(std::string program) : program_(std::move(program)) {}
  std::optional<std::string> run(const std::string& path, const std::vector<std::string>& arguments,
                                 std::size_t outputLimit) override {
    requested = path;
    limit = outputLimit;
    return real_.run(program_, arguments, outputLimit);
  }
  std::string requested;
  std::size_t limit = 0;

 private:
  std::string program_;
  SpawnProcessRunner real_;
};

TEST(HugeReport, HundredMebibytesFromTheToolGiveNoLinksInBoundedMemory) {
  const fs::path dir = test::freshTestDirectory("huge-report");
  const fs::path script = dir / "system_profiler";
  std::ofstream(script) << "#!/bin/sh\n"
                           "yes '{\"SPThunderboltDataType\":[],' | head -c 104857600\n";
  fs::permissions(script, fs::perms::owner_all);

  RedirectedRunner runner(script.string());
  const std::size_t before = peakResidentBytes();
  EXPECT_TRUE(readThunderboltLinks(runner).empty());
  EXPECT_EQ(runner.requested, kSystemProfilerPath);
  EXPECT_EQ(runner.limit, kMaxThunderboltReportBytes);
  // The runner stops at the limit; the whole output would be 100 MiB.
  EXPECT_LT(peakResidentBytes() - before, kMaxThunderboltReportBytes + 48 * kMebibyte);
}

class ScanToolHostileInput : public ::testing::Test {
 protected:
  test::ProgramResult scan(const std::vector<std::string>& more) {
    std::vector<std::string> args{"--taken", "0"};
    args.insert(args.end(), more.begin(), more.end());
    return test::runProgram(test::builtProgram("tools/plugscope-scan"), args);
  }
  std::string write(const std::string& name, const std::string& content) {
    const fs::path path = dir / name;
    std::ofstream(path, std::ios::binary) << content;
    return path.string();
  }
  const fs::path dir = test::freshTestDirectory("scan-tool");
  const std::string registry = test::fixturePath("laptop-on-battery.json");
};

TEST_F(ScanToolHostileInput, HundredMebibyteReportFileIsOneLineAndStatusTwo) {
  const std::string report = (dir / "report.json").string();
  // Sparse: the size alone must refuse it, before any byte is read.
  const int fd = ::open(report.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(::ftruncate(fd, 100 * static_cast<off_t>(kMebibyte)), 0);
  ::close(fd);

  const auto result = scan({"--registry", registry, "--report", report});
  EXPECT_EQ(result.exitStatus, 2);
  EXPECT_EQ(result.out, "");
  EXPECT_EQ(result.err, "plugscope-scan: cannot read --report " + report + ": file too large\n");
}

TEST_F(ScanToolHostileInput, NestedInputFilesGiveAnEmptyMergeOrOneLine) {
  // A report that is no usable document merges nothing: the plain scan.
  const auto plain = scan({"--registry", registry, "--no-report"});
  ASSERT_EQ(plain.exitStatus, 0) << plain.err;
  const auto bracketReport =
      scan({"--registry", registry, "--report", write("r.json", nested(kMillion))});
  EXPECT_EQ(bracketReport.exitStatus, 0) << bracketReport.err;
  EXPECT_EQ(bracketReport.out, plain.out);

  const auto bracketRegistry =
      scan({"--registry", write("g.json", nested(kMillion)), "--no-report"});
  EXPECT_EQ(bracketRegistry.exitStatus, 2);
  EXPECT_EQ(bracketRegistry.out, "");
  EXPECT_TRUE(bracketRegistry.err.starts_with("plugscope-scan: malformed registry "));
  EXPECT_EQ(std::count(bracketRegistry.err.begin(), bracketRegistry.err.end(), '\n'), 1);
}

// The store over the real file system, in a container below a temporary
// XDG_DATA_HOME.
class HostileSnapshotFile : public ::testing::Test {
 protected:
  HostileSnapshotFile() {
    env.variables["HOME"] = root.string();
    env.variables["XDG_DATA_HOME"] = (root / "data").string();
  }
  fs::path file() const { return fs::path(*store.snapshotFileLocation()); }

  const fs::path root = test::freshTestDirectory("hostile-snapshot");
  test::MapEnvironment env;
  PosixFileSystem files;
  XdgContainerLocator locator{env, files};
  SnapshotStore store{locator, files};
};

TEST_F(HostileSnapshotFile, FifoDirectoryAndDeviceLinksLoadAsNoneAtOnce) {
  const Snapshot saved{{}, 65, PointInTime{120.25}};
  const fs::path sparse = root / "sparse";
  {
    std::ofstream(sparse).put('{');
    fs::resize_file(sparse, kMaxSnapshotFileBytes + 1);
  }
  struct Case {
    const char* name;
    std::function<void(const fs::path&)> make;
    bool saveReplacesIt;
  };
  const Case cases[] = {
      {"fifo without a writer", [](const fs::path& p) { ASSERT_EQ(::mkfifo(p.c_str(), 0600), 0); },
       true},
      {"directory", [](const fs::path& p) { fs::create_directory(p); }, false},
      {"link to /dev/zero", [](const fs::path& p) { fs::create_symlink("/dev/zero", p); }, true},
      {"link to /dev/urandom", [](const fs::path& p) { fs::create_symlink("/dev/urandom", p); },
       true},
      {"link to a file over the size bound",
       [&](const fs::path& p) { fs::create_symlink(sparse, p); }, true},
      {"link to itself", [](const fs::path& p) { fs::create_symlink(p.filename(), p); }, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(store.snapshotFileLocation());
    fs::remove_all(file());
    c.make(file());
    // Reading must neither block on the FIFO nor stream the device.
    EXPECT_EQ(store.loadSnapshot(), std::nullopt);

    // The next save mends the file where a rename can, and leaves no
    // temporary file where it cannot.
    store.saveSnapshot(saved);
    EXPECT_EQ(store.loadSnapshot(), c.saveReplacesIt ? std::optional(saved) : std::nullopt);
    std::size_t entries = 0;
    for (const auto& entry : fs::directory_iterator(file().parent_path())) {
      (void)entry;
      ++entries;
    }
    EXPECT_EQ(entries, 1u);
  }
  EXPECT_EQ(fs::file_size(sparse), kMaxSnapshotFileBytes + 1);
}

TEST_F(HostileSnapshotFile, SnapshotBeyondTheReadersBoundsIsWrittenAndReadsAsNone) {
  // A registry fixture can name a device at any length or hold any number
  // of ports. The agent still publishes what it scanned (a save that never
  // succeeds would be retried on every tick); readers then scan live.
  PortStatus port;
  port.id = "Port-USB-C@1";
  const auto withDevice = [&](std::string device, std::size_t ports) {
    Snapshot s{std::vector<PortStatus>(ports, port), {}, PointInTime{2}};
    s.ports[0].device = std::move(device);
    return s;
  };
  struct Case {
    const char* name;
    Snapshot snapshot;
    bool reads;
  };
  const Case cases[] = {
      {"largest that reads", withDevice(std::string(kMaxJsonStringBytes, 'x'), kMaxSnapshotPorts),
       true},
      {"one port too many", withDevice("Dock", kMaxSnapshotPorts + 1), false},
      {"device name one byte too long", withDevice(std::string(kMaxJsonStringBytes + 1, 'x'), 1),
       false},
      // Each byte that is not UTF-8 is written as U+FFFD, three bytes.
      {"1366 stray bytes", withDevice(std::string(1366, '\xff'), 1), false},
  };
  for (const Case& c : cases) {
    EXPECT_TRUE(store.saveSnapshot(c.snapshot)) << c.name;
    EXPECT_EQ(test::readAll(file()), encodeSnapshot(c.snapshot).value_or("")) << c.name;
    EXPECT_EQ(store.loadSnapshot(), c.reads ? std::optional(c.snapshot) : std::nullopt) << c.name;
  }
}

// A straight chain of plain entries below `top`, `length` entries long;
// gives the deepest one.
EntryRef chain(MemoryRegistry& registry, EntryRef top, std::size_t length) {
  EntryRef current = top;
  for (std::size_t i = 0; i < length; ++i) current = registry.add(current, {"IOService"});
  return current;
}

PropertyMap usbCPort(const std::string& description, std::int64_t number) {
  PropertyMap properties;
  properties.set("PortTypeDescription", "USB-C");
  properties.set("PortDescription", description);
  properties.set("PortNumber", number);
  properties.set("ConnectionActive", true);
  return properties;
}

TEST(DeepRegistry, PortWalkStopsAtItsLimit) {
  struct Case {
    const char* name;
    std::size_t ancestorsBetween;  // plain entries between the device and the naming one
    std::optional<UsbPortName> expected;
  };
  const Case cases[] = {
      {"named by the parent", 0, UsbPortName{"Port-USB-C@1", 1}},
      {"named by the last ancestor the walk reaches", 10, UsbPortName{"Port-USB-C@1", 11}},
      {"named one step beyond the walk", 11, std::nullopt},
      {"named far beyond the walk", 1000, std::nullopt},
  };
  for (const Case& c : cases) {
    MemoryRegistry registry;
    PropertyMap naming;
    naming.set("UsbIOPort", "IOService:/AppleTCController/Port-USB-C@1");
    const EntryRef top = registry.add(std::nullopt, {"IOService"}, std::move(naming));
    const EntryRef device =
        registry.add(chain(registry, top, c.ancestorsBetween), {"IOUSBHostDevice"});
    EXPECT_EQ(findUsbPortName(registry, device), c.expected) << c.name;
  }
}

TEST(DeepRegistry, HundredThousandDeepChainScansToTheEnd) {
  MemoryRegistry registry;
  PropertyMap rootProperties;
  rootProperties.set("Socket ID", "+3");
  rootProperties.set("UsbIOPort", "IOService:/AppleTCController/Port-USB-C@3");
  const EntryRef root = registry.add(std::nullopt, {"IOService"}, std::move(rootProperties));
  const EntryRef bottom = chain(registry, root, 100'000);

  PropertyMap dock;
  dock.set("Depth", std::int64_t{1});
  dock.set("Device Model Name", "Deep Dock");
  const EntryRef router =
      registry.add(bottom, {"IOThunderboltSwitchType3", "IOThunderboltSwitch"}, std::move(dock));
  PropertyMap drive;
  drive.set("USB Product Name", "Deep Drive");
  drive.set("kUSBBusCurrentAllocation", std::int64_t{900});
  const EntryRef device = registry.add(bottom, {"IOUSBHostDevice"}, std::move(drive));
  // The port itself sits at the very bottom too.
  registry.add(bottom, {"IOPort"}, usbCPort("Port-USB-C@3", 3));

  // The socket search climbs all the way; the USB walk gives up early.
  EXPECT_EQ(registry.searchProperty(router, "Socket ID"), RegistryValue("+3"));
  EXPECT_EQ(registry.searchProperty(router, "No Such Key"), std::nullopt);
  EXPECT_EQ(findUsbPortName(registry, device), std::nullopt);
  EXPECT_TRUE(usbDevicesByPort(registry).empty());

  const Snapshot snapshot = scanPorts(registry, PointInTime{7});
  ASSERT_EQ(snapshot.ports.size(), 1u);
  EXPECT_EQ(snapshot.ports[0].number, 3);
  EXPECT_EQ(snapshot.ports[0].device, "Deep Dock");
  EXPECT_EQ(snapshot.ports[0].usbPowerWatts, std::nullopt);
}

TEST(DeepRegistry, FixtureChainsDeepWithinTheBoundLoad) {
  // Each child level takes two JSON levels: the entry and its children array.
  constexpr std::size_t kLevels = kMaxFixtureDepth / 2 - 2;
  std::string text = R"({"entries":[)";
  for (std::size_t i = 0; i < kLevels; ++i) text += R"({"classes":["IOService"],"children":[)";
  text += R"({"classes":["IOUSBHostDevice"]})";
  for (std::size_t i = 0; i < kLevels; ++i) text += "]}";
  text += "]}";
  std::string error;
  const auto registry = loadRegistryFixture(text, error);
  ASSERT_TRUE(registry) << error;
  EXPECT_EQ(registry->size(), kLevels + 1);
  EXPECT_TRUE(scanPorts(*registry, PointInTime{0}).ports.empty());
}

TEST(OddBytesInNames, InvalidUtf8AndNulsSurviveScanWriteAndReadBack) {
  const std::string nul(1, '\0');
  const std::string id = "Port" + nul + "\xC0\xAF" + "C@1";
  const std::string product = "Dock" + nul + "\xE9 Hub\xF4\x90\x80\x80";
  const std::string rate = "10 Gbps\xE2\x82";

  MemoryRegistry registry;
  const EntryRef port = registry.add(std::nullopt, {"IOPort"}, usbCPort(id, 1));
  PropertyMap usb3;
  usb3.set("TransportTypeDescription", "USB3");
  usb3.set("Active", true);
  usb3.set("DataRateDescription", rate);
  registry.add(port, {"IOPortTransportState"}, std::move(usb3));
  PropertyMap naming;
  naming.set("UsbIOPort", "IOService:/AppleTCController/" + id);
  const EntryRef hubPort = registry.add(std::nullopt, {"IOUSBHostPort"}, std::move(naming));
  PropertyMap device;
  device.set("USB Product Name", product);
  registry.add(hubPort, {"IOUSBHostDevice"}, std::move(device));

  const Snapshot scanned = scanPorts(registry, PointInTime{3});
  ASSERT_EQ(scanned.ports.size(), 1u);
  EXPECT_EQ(scanned.ports[0].device, product);  // the scan keeps bytes as they are

  const auto written = encodeSnapshot(scanned);
  ASSERT_TRUE(written);
  const auto back = decodeSnapshotOrNone(*written);
  ASSERT_TRUE(back);
  ASSERT_EQ(back->ports.size(), 1u);
  // Each byte outside well-formed UTF-8 becomes one U+FFFD; NULs are kept.
  EXPECT_EQ(back->ports[0].id, "Port" + nul + "\xEF\xBF\xBD\xEF\xBF\xBD" + "C@1");
  // U+110000 is beyond Unicode: its four bytes are four replacements.
  const std::string replacement = "\xEF\xBF\xBD";
  EXPECT_EQ(back->ports[0].device, "Dock" + nul + replacement + " Hub" + replacement + replacement +
                                       replacement + replacement);
  EXPECT_EQ(back->ports[0].speed, "10 Gbps\xEF\xBF\xBD\xEF\xBF\xBD");
  EXPECT_EQ(back->ports[0].protocols, std::vector<std::string>{"USB 3"});
  // What was read back writes the very same bytes again.
  EXPECT_EQ(encodeSnapshot(*back), written);
}

TEST(OddBytesInNames, SysfsNamesWithInvalidUtf8AndNulsReachTheFileAsText) {
  test::FakeSysfs tree;
  const std::string p = tree.typecPort(0, "[source] sink");
  tree.partner(p, "peripheral");
  tree.usbPortLink(p, "usb1-port1");
  tree.usbDevice("usb1", "480", "xHCI Host Controller", "0mA");
  tree.usbDevice("1-1", "480", std::string("Caf\xE9\0Dock\xFF", 10), "100mA");

  const Snapshot scanned = scanPorts(*SysfsRegistrySource(tree.root()).current(), PointInTime{0});
  ASSERT_EQ(scanned.ports.size(), 1u);
  const std::string expected = std::string("Caf\xEF\xBF\xBD\0Dock\xEF\xBF\xBD", 14);
  EXPECT_EQ(scanned.ports[0].device, expected);
  const auto written = encodeSnapshot(scanned);
  ASSERT_TRUE(written);
  const auto back = decodeSnapshotOrNone(*written);
  ASSERT_TRUE(back);
  EXPECT_EQ(back->ports[0].device, expected);
  EXPECT_NE(written->find("Caf\xEF\xBF\xBD\\u0000Dock"), std::string::npos);
}

}  // namespace
}  // namespace plugscope
