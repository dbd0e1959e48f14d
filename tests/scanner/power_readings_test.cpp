#include <gtest/gtest.h>

#include "scanner/power_readings.h"
#include "test_support.h"

namespace plugscope {
namespace {

std::string battery(const std::string& properties) {
  return R"({"classes":["AppleSmartBattery","IOPMPowerSource"],"properties":{)" + properties + "}}";
}

TEST(ChargerWatts, TheLastEntryReachingWattsDecides) {
  const std::string on96 = battery(R"("ExternalConnected":true,"AdapterDetails":{"Watts":96})");
  struct Case {
    const char* name;
    std::vector<std::string> entries;
    std::optional<std::int64_t> watts;
  };
  const Case cases[] = {
      {"no battery", {}, std::nullopt},
      {"one on 96 W", {on96}, 96},
      {"not external", {battery(R"("ExternalConnected":false,"AdapterDetails":{"Watts":96})")}, std::nullopt},
      {"external absent", {battery(R"("AdapterDetails":{"Watts":96})")}, std::nullopt},
      {"external as 1", {battery(R"("ExternalConnected":1,"AdapterDetails":{"Watts":96})")}, std::nullopt},
      {"no Watts", {battery(R"("ExternalConnected":true,"AdapterDetails":{"Volts":20})")}, std::nullopt},
      {"empty details", {battery(R"("ExternalConnected":true,"AdapterDetails":{})")}, std::nullopt},
      {"Watts as string", {battery(R"("ExternalConnected":true,"AdapterDetails":{"Watts":"96"})")}, std::nullopt},
      {"Watts as float", {battery(R"("ExternalConnected":true,"AdapterDetails":{"Watts":96.0})")}, std::nullopt},
      {"zero and negative pass through", {battery(R"("ExternalConnected":true,"AdapterDetails":{"Watts":-5})")}, -5},
      {"96 then disconnected", {on96, battery(R"("ExternalConnected":false,"AdapterDetails":{"Watts":60})")}, 96},
      {"96 then 60", {on96, battery(R"("ExternalConnected":true,"AdapterDetails":{"Watts":60})")}, 60},
      {"96 then no Watts", {on96, battery(R"("ExternalConnected":true,"AdapterDetails":{})")}, std::nullopt},
      {"96 then no details", {on96, battery(R"("ExternalConnected":true)")}, 96},
      {"96 then details not a dictionary", {on96, battery(R"("ExternalConnected":true,"AdapterDetails":[1])")}, 96},
      {"96 then empty properties", {on96, battery("")}, 96},
      {"other class carrying the keys",
       {R"({"classes":["IOPMPowerSource"],"properties":{"ExternalConnected":true,"AdapterDetails":{"Watts":5}}})"},
       std::nullopt},
  };
  for (const Case& c : cases) {
    std::string json = R"({"entries":[)";
    for (std::size_t i = 0; i < c.entries.size(); ++i) json += (i ? "," : "") + c.entries[i];
    json += "]}";
    EXPECT_EQ(readChargerWatts(test::registryFromJson(json)), c.watts) << c.name;
  }
}

TEST(PowerRules, PowerInNeedsConnectionAndTheExactFeature) {
  EXPECT_TRUE(powerInRule(true, {"USB2", "Power In"}));
  EXPECT_FALSE(powerInRule(false, {"Power In"}));
  EXPECT_FALSE(powerInRule(true, {"power in"}));
  EXPECT_FALSE(powerInRule(true, {"Power In "}));
  EXPECT_FALSE(powerInRule(true, {}));
}

TEST(PowerRules, BusPowerIsMilliampsAtFiveVoltsUnclamped) {
  const std::pair<std::optional<std::int64_t>, std::optional<double>> cases[] = {
      {std::nullopt, std::nullopt}, {0, 0.0},     {100, 0.5},   {500, 2.5},
      {900, 4.5},                   {1500, 7.5},  {3000, 15.0}, {-100, -0.5},
      {224, 1.12},
  };
  for (const auto& [current, watts] : cases) EXPECT_EQ(busPowerRule(current), watts);
  EXPECT_TRUE(busPowerRule(0).has_value());
}

}  // namespace
}  // namespace plugscope
