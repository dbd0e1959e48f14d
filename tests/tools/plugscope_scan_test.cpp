#include <gtest/gtest.h>

#include <fstream>

#include "test_support.h"

namespace plugscope {
namespace {

using test::builtProgram;
using test::fixturePath;
using test::runProgram;

const std::string kScan = builtProgram("tools/plugscope-scan");

TEST(PlugscopeScanTool, BundledLaptopsGiveTheirExpectedSnapshots) {
  for (const char* name : {"laptop-on-battery", "laptop-dock-display-charger"}) {
    const auto result = runProgram(
        kScan, {"--registry", fixturePath(std::string(name) + ".json"), "--taken", "0", "--no-report"});
    EXPECT_EQ(result.exitStatus, 0) << name << ": " << result.err;
    EXPECT_EQ(result.err, "") << name;
    EXPECT_EQ(result.out, test::readFixture(std::string(name) + ".expected.json")) << name;
  }
}

TEST(PlugscopeScanTool, TakenAndPrettyLayout) {
  const auto compact = runProgram(kScan, {"--registry", fixturePath("laptop-on-battery.json"),
                                          "--taken", "-1.5e3", "--no-report"});
  ASSERT_EQ(compact.exitStatus, 0) << compact.err;
  EXPECT_NE(compact.out.find(R"("taken":-1500})"), std::string::npos) << compact.out;
  const auto pretty = runProgram(kScan, {"--registry", fixturePath("laptop-on-battery.json"),
                                         "--taken", "+60.5", "--pretty", "--no-report"});
  ASSERT_EQ(pretty.exitStatus, 0) << pretty.err;
  EXPECT_EQ(pretty.out.substr(0, 13), "{\n  \"ports\": ");
  EXPECT_NE(pretty.out.find("\"taken\": 60.5\n}\n"), std::string::npos) << pretty.out;
}

TEST(PlugscopeScanTool, BadInputGivesOneLineAndStatusTwo) {
  const std::string dir = test::freshDirectory("scan-input");
  const std::string malformed = dir + "/malformed-registry.json";
  std::ofstream(malformed) << R"({"entries":[{"classes":[]}]})";
  const std::string good = fixturePath("laptop-on-battery.json");
  struct Case {
    const char* name;
    std::vector<std::string> args;
    const char* mention;  // what the message must name
  };
  const Case cases[] = {
      {"unknown flag", {"--frobnicate"}, "--frobnicate"},
      {"stray argument", {"extra"}, "extra"},
      {"taken not a number", {"--taken", "soon"}, "--taken"},
      {"taken infinite", {"--taken", "inf"}, "--taken"},
      {"taken nan", {"--taken", "nan"}, "--taken"},
      {"taken with trailing text", {"--taken", "1s"}, "--taken"},
      {"taken without value", {"--taken"}, "--taken"},
      {"report with no-report", {"--registry", good, "--report", good, "--no-report"}, "report"},
      {"missing registry", {"--registry", dir + "/does-not-exist.json"}, "does-not-exist.json"},
      {"registry is a directory", {"--registry", dir}, dir.c_str()},
      {"malformed registry", {"--registry", malformed}, "/entries/0/classes"},
      {"missing report", {"--registry", good, "--report", dir + "/no-report.json"}, "no-report.json"},
  };
  for (const Case& c : cases) {
    test::expectUsageError(runProgram(kScan, c.args), c.mention, c.name);
  }
}

}  // namespace
}  // namespace plugscope
