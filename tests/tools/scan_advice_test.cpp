// plugscope-scan --advice: the hint trees give the hints their notes
// reason, in the advice document's exact form.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "test_support.h"

namespace plugscope {
namespace {

using test::fixturePath;
using test::runProgram;

const std::string kScan = test::builtProgram("tools/plugscope-scan");

test::ProgramResult scanAdvice(const std::string& tree, const char* taken = "0") {
  return runProgram(kScan, {"--sysfs", fixturePath("sysfs/" + tree), "--no-report", "--taken",
                            taken, "--advice"});
}

TEST(ScanAdvice, EveryHintTreeGivesItsHint) {
  struct Case {
    const char* tree;
    const char* entries;  // the "advice" member, without texts
  };
  const Case cases[] = {
      {"hint-cable-limits-speed",
       R"([{"port":1,"hint":"cable-limits-speed","values":{"cableMbps":10000,"deviceMbps":40000}}])"},
      {"hint-cable-no-video", R"([{"port":1,"hint":"cable-no-video","values":{}}])"},
      {"hint-cable-limits-usb4",
       R"([{"port":1,"hint":"cable-limits-usb4","values":{"mode":"thunderbolt3"}}])"},
      {"hint-port-lacks-mode",
       R"([{"port":1,"hint":"port-lacks-mode","values":{"mode":"displayport","otherPort":2}}])"},
      {"hint-device-below-its-speed",
       R"([{"port":1,"hint":"device-below-its-speed","values":{"device":"Portable SSD",)"
       R"("nowMbps":480,"bestMbps":5000,"blame":"cable-or-port"}}])"},
      {"hint-charger-too-weak",
       R"([{"port":1,"hint":"charger-too-weak","values":{"offerWatts":45,"needWatts":65}}])"},
      {"hint-charging-slowly",
       R"([{"port":1,"hint":"charging-slowly","values":{"reason":"firmware"}}])"},
      {"hint-cable-caps-charging",
       R"([{"port":1,"hint":"cable-caps-charging","values":{"offerWatts":100,"needWatts":90}}])"},
      {"hint-load-exceeds-charger", R"([{"port":1,"hint":"load-exceeds-charger","values":{}}])"},
      // No hint where an input is missing: UCSI hides cable and identity.
      {"cable-kind-from-identity", "[]"},
      {"pd-objects-partner-child", "[]"},
  };
  for (const Case& c : cases) {
    const auto result = scanAdvice(c.tree);
    ASSERT_EQ(result.exitStatus, 0) << c.tree << ": " << result.err;
    auto advice = nlohmann::json::parse(result.out);
    for (auto& entry : advice.at("advice")) entry.erase("text");
    EXPECT_EQ(advice.at("advice"), nlohmann::json::parse(c.entries)) << c.tree;
  }
}

TEST(ScanAdvice, TheDocumentsExactForm) {
  const auto result = scanAdvice("hint-port-lacks-mode", "60.5");
  ASSERT_EQ(result.exitStatus, 0) << result.err;
  EXPECT_EQ(result.out,
            R"({"taken":60.5,"advice":[{"port":1,"hint":"port-lacks-mode",)"
            R"("values":{"mode":"displayport","otherPort":2},)"
            R"("text":"This port cannot do displayport; USB-C 2 can."}]})"
            "\n");
  // A registry fixture has no facts, so no hints.
  const auto fixture = runProgram(kScan, {"--registry", fixturePath("laptop-dock-display-charger.json"),
                                          "--no-report", "--taken", "1e21", "--advice"});
  ASSERT_EQ(fixture.exitStatus, 0) << fixture.err;
  EXPECT_EQ(fixture.out, "{\"taken\":1e+21,\"advice\":[]}\n");
}

TEST(ScanAdvice, MetricsCarryTheHints) {
  const auto result = runProgram(kScan, {"--sysfs", fixturePath("sysfs/hint-charger-too-weak"),
                                         "--no-report", "--taken", "0", "--format", "openmetrics"});
  ASSERT_EQ(result.exitStatus, 0) << result.err;
  EXPECT_NE(result.out.find(
                "plugscope_port_hint{port=\"1\",id=\"Port-USB-C@1\",hint=\"charger-too-weak\"} 1\n"),
            std::string::npos)
      << result.out;
}

}  // namespace
}  // namespace plugscope
