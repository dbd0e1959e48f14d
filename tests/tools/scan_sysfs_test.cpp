#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

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
  // port 2 sources; no device, protocol, speed, bus power or charger.
  const auto expected = nlohmann::json::parse(R"({
    "ports": [
      {"id": "Port-USB-C@1", "number": 1, "connected": true, "protocols": [],
       "smartCable": true, "activeCable": false, "opticalCable": false, "powerIn": true},
      {"id": "Port-USB-C@2", "number": 2, "connected": true, "protocols": [],
       "smartCable": true, "activeCable": false, "opticalCable": false, "powerIn": false}
    ],
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
  };
  for (const Case& c : cases) {
    auto args = c.args;
    args.push_back("--no-report");
    test::expectUsageError(runProgram(kScan, args), c.mention, c.name);
  }
}

}  // namespace
}  // namespace plugscope
