#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sys/stat.h>

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
      {"unknown format", {"--registry", good, "--format", "prometheus"}, "--format"},
      {"pretty metrics", {"--registry", good, "--format", "openmetrics", "--pretty"}, "--pretty"},
      {"advice as metrics", {"--registry", good, "--advice", "--format", "openmetrics"}, "--advice"},
      {"pretty advice", {"--registry", good, "--advice", "--pretty"}, "--pretty"},
      {"output in a missing folder", {"--registry", good, "--output", dir + "/none/x.prom"},
       "none/x.prom"},
      {"output is a folder", {"--registry", good, "--output", dir}, dir.c_str()},
      {"output names no file", {"--registry", good, "--output", dir + "/.."}, "--output"},
  };
  for (const Case& c : cases) {
    test::expectUsageError(runProgram(kScan, c.args), c.mention, c.name);
  }
}

TEST(PlugscopeScanTool, OutputReplacesTheFileWhole) {
  const std::filesystem::path dir = test::freshDirectory("scan-output");
  const std::string target = (dir / "plugscope.prom").string();
  std::ofstream(target) << "old";
  // A temporary file of a writer killed before its rename.
  std::ofstream(dir / ".plugscope.prom.Ab12Cd") << "partial";
  const std::vector<std::string> scan = {"--registry", fixturePath("laptop-on-battery.json"),
                                         "--taken", "0", "--no-report"};
  for (const char* format : {"openmetrics", "json"}) {
    auto args = scan;
    args.insert(args.end(), {"--format", format});
    const auto printed = runProgram(kScan, args);
    args.insert(args.end(), {"--output", target});
    const auto written = runProgram(kScan, args);
    ASSERT_EQ(written.exitStatus, 0) << format << ": " << written.err;
    EXPECT_EQ(written.out, "") << format;
    EXPECT_EQ(test::readAll(target), printed.out) << format;
    // Readable by a collector running as another user; nothing else left.
    struct stat info {};
    ASSERT_EQ(::stat(target.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0644u) << format;
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir)) {
      names.push_back(entry.path().filename().string());
    }
    EXPECT_EQ(names, std::vector<std::string>{"plugscope.prom"}) << format;
  }
  // A relative name lands in the working directory's folder.
  const auto relative = runProgram(
      kScan, {"--registry", fixturePath("laptop-on-battery.json"), "--no-report", "--format",
              "openmetrics", "--output",
              std::filesystem::relative(target, std::filesystem::current_path()).string()});
  ASSERT_EQ(relative.exitStatus, 0) << relative.err;
  EXPECT_TRUE(test::readAll(target).ends_with("# EOF\n"));
}

}  // namespace
}  // namespace plugscope
