#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <cstdlib>
#include <filesystem>

#include "test_support.h"

namespace plugscope {
namespace {

using test::fixturePath;
using test::runProgram;

const std::string kScan = test::builtProgram("tools/plugscope-scan");

TEST(ScanSysfs, ChromebookRecordingGivesItsTwoPorts) {
  const auto result = runProgram(
      kScan, {"--sysfs", fixturePath("sysfs/chromebook"), "--taken", "0", "--no-report"});
  ASSERT_EQ(result.exitStatus, 0) << result.err;
  EXPECT_EQ(result.err, "");
  // Both connectors attached with passive e-marked cables; port 1 sinks,
  // port 2 sources; no device, protocol, speed or bus power. The host on
  // port 1 advertises 5 V x 3 A: a 15 W charger, though no supply lists it.
  const auto expected = nlohmann::json::parse(R"({
    "ports": [
      {"id": "Port-USB-C@1", "number": 1, "connected": true, "protocols": [],
       "smartCable": true, "activeCable": false, "opticalCable": false, "powerIn": true},
      {"id": "Port-USB-C@2", "number": 2, "connected": true, "protocols": [],
       "smartCable": true, "activeCable": false, "opticalCable": false, "powerIn": false}
    ],
    "chargerWatts": 15,
    "taken": 0
  })");
  EXPECT_EQ(nlohmann::json::parse(result.out), expected) << result.out;
}

TEST(ScanSysfs, DefaultScansTheLiveTree) {
  // Whatever this machine has, the scan succeeds and prints a snapshot.
  const auto result = runProgram(kScan, {"--taken", "0", "--no-report"});
  ASSERT_EQ(result.exitStatus, 0) << result.err;
  const auto snapshot = nlohmann::json::parse(result.out, nullptr, false);
  ASSERT_FALSE(snapshot.is_discarded()) << result.out;
  EXPECT_TRUE(snapshot.at("ports").is_array());
}

TEST(ScanSysfs, BadSysfsArgumentsGiveOneLineAndStatusTwo) {
  const std::string registry = fixturePath("laptop-on-battery.json");
  struct Case {
    const char* name;
    std::vector<std::string> args;
    const char* mention;
  };
  const Case cases[] = {
      {"with --registry", {"--sysfs", fixturePath("sysfs/chromebook"), "--registry", registry}, "--sysfs"},
      {"missing directory", {"--sysfs", fixturePath("sysfs/no-such-tree")}, "no-such-tree"},
      {"a file, not a directory", {"--sysfs", registry}, "laptop-on-battery.json"},
      {"without value", {"--sysfs"}, "--sysfs"},
      {"capture into a non-empty directory",
       {"--sysfs", fixturePath("sysfs/chromebook"), "--capture-sysfs", fixturePath("sysfs/usb-keyboard-hubs")},
       "not empty"},
      {"capture into a file",
       {"--sysfs", fixturePath("sysfs/chromebook"), "--capture-sysfs", registry}, "not a directory"},
      {"capture with --registry", {"--registry", registry, "--capture-sysfs", fixturePath("no-such")},
       "--capture-sysfs"},
  };
  for (const Case& c : cases) {
    auto args = c.args;
    args.push_back("--no-report");
    test::expectUsageError(runProgram(kScan, args), c.mention, c.name);
  }
}

TEST(ScanSysfs, CaptureScansAsTheTreeItCameFromOnEveryBundledTree) {
  const std::string base = test::freshDirectory("capture");
  const std::vector<std::string> scanArgs{"--no-report", "--taken", "0"};
  auto scan = [&](std::vector<std::string> args) {
    args.insert(args.end(), scanArgs.begin(), scanArgs.end());
    return runProgram(kScan, args);
  };
  int trees = 0;
  for (const auto& entry : std::filesystem::directory_iterator(fixturePath("sysfs"))) {
    const std::string name = entry.path().filename().string();
    const std::string copy = base + "/" + name;
    const auto live = scan({"--sysfs", entry.path().string()});
    const auto capturing = scan({"--sysfs", entry.path().string(), "--capture-sysfs", copy});
    const auto captured = scan({"--sysfs", copy});
    ASSERT_EQ(capturing.exitStatus, 0) << name << ": " << capturing.err;
    EXPECT_EQ(capturing.out, live.out) << name;
    EXPECT_EQ(captured.out, live.out) << name;
    // The hints come from the same reading, so the copy holds their facts too.
    EXPECT_EQ(scan({"--sysfs", copy, "--advice"}).out,
              scan({"--sysfs", entry.path().string(), "--advice"}).out) << name;
    // A plain tree: relative links only, nothing identifying, no note.
    for (const auto& file : std::filesystem::recursive_directory_iterator(copy)) {
      const std::string leaf = file.path().filename().string();
      EXPECT_NE(leaf, "serial") << file.path();
      EXPECT_NE(leaf, "NOTE") << file.path();
      if (file.is_symlink()) {
        EXPECT_TRUE(std::filesystem::read_symlink(file.path()).is_relative()) << file.path();
      }
    }
    ++trees;
  }
  EXPECT_GE(trees, 10);
  std::filesystem::remove_all(base);
}

}  // namespace
}  // namespace plugscope
