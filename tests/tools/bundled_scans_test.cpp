// Every bundled tree and fixture scans to the very bytes kept in
// fixtures/scans/: refactoring the readers must change no output.
#include <gtest/gtest.h>

#include <filesystem>

#include "test_support.h"

namespace plugscope {
namespace {

using test::fixturePath;

const std::string kScan = test::builtProgram("tools/plugscope-scan");

void expectOutput(const std::vector<std::string>& args, const std::string& expected) {
  std::vector<std::string> all = args;
  all.insert(all.end(), {"--taken", "0"});
  const auto result = test::runProgram(kScan, all);
  ASSERT_EQ(result.exitStatus, 0) << expected << ": " << result.err;
  EXPECT_EQ(result.out, test::readFixture("scans/" + expected)) << expected;
}

TEST(BundledScans, EverySysfsTreeGivesItsKeptOutputAndAdvice) {
  int trees = 0;
  for (const auto& entry : std::filesystem::directory_iterator(fixturePath("sysfs"))) {
    if (!entry.is_directory()) continue;
    const std::string name = entry.path().filename().string();
    expectOutput({"--sysfs", entry.path().string(), "--no-report"}, "sysfs-" + name + ".json");
    expectOutput({"--sysfs", entry.path().string(), "--no-report", "--advice"},
                 "sysfs-" + name + ".advice.json");
    ++trees;
  }
  EXPECT_GE(trees, 19);
}

TEST(BundledScans, EveryRegistryFixtureWithEveryReportGivesItsKeptOutput) {
  for (const char* fixture : {"laptop-on-battery", "laptop-dock-display-charger", "synthetic-large"}) {
    for (const char* report : {"laptop-dock", "desktop-peer-and-usb4v2-drive"}) {
      expectOutput({"--registry", fixturePath(std::string(fixture) + ".json"), "--report",
                    fixturePath(std::string("thunderbolt/") + report + ".json")},
                   std::string("registry-") + fixture + "+" + report + ".json");
    }
  }
  expectOutput({"--registry", fixturePath("synthetic-large.json"), "--no-report"},
               "registry-synthetic-large.json");
}

}  // namespace
}  // namespace plugscope
