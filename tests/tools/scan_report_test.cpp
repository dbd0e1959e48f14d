#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "test_support.h"

namespace plugscope {
namespace {

using test::fixturePath;
using test::runProgram;

const std::string kScanTool = test::builtProgram("tools/plugscope-scan");

std::vector<std::string> dockScan(std::vector<std::string> more) {
  std::vector<std::string> args = {"--registry", fixturePath("laptop-dock-display-charger.json"),
                                   "--taken", "0"};
  args.insert(args.end(), more.begin(), more.end());
  return args;
}

std::string replaced(std::string text, const std::string& from, const std::string& to) {
  const auto at = text.find(from);
  EXPECT_NE(at, std::string::npos) << from;
  if (at != std::string::npos) text.replace(at, from.size(), to);
  return text;
}

TEST(PlugscopeScanReport, ReportFileIsMergedIntoThePorts) {
  // Port 3's dock runs Thunderbolt 4 at the report's speed; nothing else changes.
  const std::string expected =
      replaced(test::readFixture("laptop-dock-display-charger.expected.json"),
               R"("protocols":["Thunderbolt","USB 3","USB 2"],"speed":"40 Gbps")",
               R"("protocols":["Thunderbolt 4","USB 3","USB 2"],"speed":"Up to 40 Gb\/s x1")");
  const auto result = runProgram(kScanTool, dockScan({"--report", fixturePath("thunderbolt/laptop-dock.json")}));
  EXPECT_EQ(result.exitStatus, 0) << result.err;
  EXPECT_EQ(result.err, "");
  EXPECT_EQ(result.out, expected);
}

TEST(PlugscopeScanReport, UnusableOrMissingReportLeavesTheScan) {
  const std::string asScanned = test::readFixture("laptop-dock-display-charger.expected.json");
  const std::string notJson = test::freshDirectory("report").string() + "/not-a-report.txt";
  std::ofstream(notJson) << "system_profiler: unknown data type\n";
  const std::pair<const char*, std::vector<std::string>> cases[] = {
      {"no report", {"--no-report"}},
      {"not JSON", {"--report", notJson}},
      // This platform has no system report tool: the default run fails to start.
      {"default", {}},
  };
  for (const auto& [name, args] : cases) {
    const auto result = runProgram(kScanTool, dockScan(args));
    EXPECT_EQ(result.exitStatus, 0) << name << ": " << result.err;
    EXPECT_EQ(result.out, asScanned) << name;
  }
}

TEST(PlugscopeScanReport, UnreadableReportIsOneLineAndStatusTwo) {
  const std::string dir = test::freshDirectory("report");
  for (const std::string& report : {dir + "/missing-report.json", dir}) {
    test::expectUsageError(runProgram(kScanTool, dockScan({"--report", report})), report, report);
  }
}

}  // namespace
}  // namespace plugscope
