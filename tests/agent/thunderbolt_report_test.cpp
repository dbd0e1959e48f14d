#include "agent/thunderbolt_report.h"

#include <gtest/gtest.h>

#include "agent_fakes.h"
#include "test_support.h"

namespace plugscope {
namespace {

using Links = ThunderboltLinks;

TEST(ThunderboltReport, ModeNames) {
  const std::pair<const char*, const char*> cases[] = {
      {"thunderbolt_three", "Thunderbolt 3"}, {"thunderbolt_four", "Thunderbolt 4"},
      {"thunderbolt_five", "Thunderbolt 5"},  {"usb_four", "USB4"},
      {"usb_four_v2", "Thunderbolt"},         {"Thunderbolt_Four", "Thunderbolt"},
      {"thunderbolt_four ", "Thunderbolt"},   {"", "Thunderbolt"},
  };
  for (const auto& [value, text] : cases) EXPECT_EQ(modeName(value), text) << value;
}

// One item with a receptacle object `receptacle` and, unless empty, the
// "_items" member `items`.
std::string report(const std::string& receptacle, const std::string& items = "") {
  std::string item = R"({"_name":"bus","receptacle_1_tag":)" + receptacle;
  if (!items.empty()) item += R"(,"_items":)" + items;
  return R"({"SPThunderboltDataType":[)" + item + "}]}";
}

std::string receptacle(const std::string& id, const std::string& status = R"("receptacle_connected")",
                       const std::string& speed = R"("S")") {
  return R"({"receptacle_id_key":)" + id + R"(,"receptacle_status_key":)" + status +
         R"(,"current_speed_key":)" + speed + "}";
}

const std::string kDock = R"([{"device_name_key":"D","mode_key":"thunderbolt_four"}])";

TEST(ThunderboltReport, ParsesLinksByTheRules) {
  struct Case {
    const char* name;
    std::string json;
    Links expected;
  };
  const Case cases[] = {
      {"connected with a device", report(receptacle(R"("2")"), kDock),
       {{2, {"S", "D", "Thunderbolt 4"}}}},
      {"usb_four", report(receptacle(R"("2")"), R"([{"device_name_key":"D","mode_key":"usb_four"}])"),
       {{2, {"S", "D", "USB4"}}}},
      {"unlisted mode", report(receptacle(R"("2")"), R"([{"device_name_key":"D","mode_key":"x"}])"),
       {{2, {"S", "D", "Thunderbolt"}}}},
      {"mode not a string", report(receptacle(R"("2")"), R"([{"device_name_key":"D","mode_key":4}])"),
       {{2, {"S", "D", std::nullopt}}}},
      {"no _items", report(receptacle(R"("2")")), {{2, {"S", std::nullopt, std::nullopt}}}},
      {"empty _items", report(receptacle(R"("2")"), "[]"), {{2, {"S", std::nullopt, std::nullopt}}}},
      {"_items holds a non-object", report(receptacle(R"("2")"), R"([{"device_name_key":"D"},1])"),
       {{2, {"S", std::nullopt, std::nullopt}}}},
      {"only the first device counts",
       report(receptacle(R"("2")"), R"([{"mode_key":"usb_four"},{"device_name_key":"E"}])"),
       {{2, {"S", std::nullopt, "USB4"}}}},
      {"speed missing", report(R"({"receptacle_id_key":"2","receptacle_status_key":"receptacle_connected"})"),
       {{2, {std::nullopt, std::nullopt, std::nullopt}}}},
      {"speed not a string", report(receptacle(R"("2")", R"("receptacle_connected")", "40")),
       {{2, {std::nullopt, std::nullopt, std::nullopt}}}},
      {"id with plus", report(receptacle(R"("+2")")), {{2, {"S", std::nullopt, std::nullopt}}}},
      {"negative id", report(receptacle(R"("-7")")), {{-7, {"S", std::nullopt, std::nullopt}}}},
      {"id as a JSON number", report(receptacle("2"), kDock), {}},
      {"id with a trailing space", report(receptacle(R"("2 ")"), kDock), {}},
      {"id out of range", report(receptacle(R"("9223372036854775808")"), kDock), {}},
      {"id empty", report(receptacle(R"("")"), kDock), {}},
      {"not connected", report(receptacle(R"("2")", R"("receptacle_no_devices_connected")"), kDock),
       {}},
      {"status in other case", report(receptacle(R"("2")", R"("Receptacle_Connected")"), kDock), {}},
      {"status missing", report(R"({"receptacle_id_key":"2"})", kDock), {}},
      {"empty array", R"({"SPThunderboltDataType":[]})", {}},
      {"empty object", "{}", {}},
      {"top-level array", "[" + report(receptacle(R"("2")")) + "]", {}},
      {"not JSON", "system_profiler: no such data type", {}},
      {"empty output", "", {}},
      {"cut off", report(receptacle(R"("2")"), kDock).substr(0, 60), {}},
      {"data type not an array", R"({"SPThunderboltDataType":{"a":1}})", {}},
      {"an item that is not an object",
       R"({"SPThunderboltDataType":[)" + receptacle(R"("2")") + ",3]}", {}},
  };
  for (const Case& c : cases) EXPECT_EQ(parseThunderboltReport(c.json), c.expected) << c.name;
}

TEST(ThunderboltReport, ItemsAreReadOneByOne) {
  // The first object member carrying an id decides, even when unusable; an
  // item without one gives nothing; the last item of a number wins.
  const std::string json = R"({"SPThunderboltDataType":[
    {"a":{"x":1},"b":{"receptacle_id_key":"1","receptacle_status_key":"receptacle_connected","current_speed_key":"first"}},
    {"_name":"no receptacle","c":[{"receptacle_id_key":"9"}]},
    {"r":{"receptacle_id_key":"3","receptacle_status_key":"off"},
     "s":{"receptacle_id_key":"4","receptacle_status_key":"receptacle_connected"}},
    {"r":{"receptacle_id_key":"1","receptacle_status_key":"receptacle_connected","current_speed_key":"second"}},
    {"z":{"receptacle_id_key":"5","receptacle_status_key":"receptacle_connected"},
     "a":{"receptacle_id_key":"6","receptacle_status_key":"receptacle_connected"}}
  ]})";
  const Links expected = {{1, {"second", std::nullopt, std::nullopt}},
                          {5, {std::nullopt, std::nullopt, std::nullopt}}};
  EXPECT_EQ(parseThunderboltReport(json), expected);
}

TEST(ThunderboltReport, MachineShapedReports) {
  EXPECT_EQ(parseThunderboltReport(test::readFixture("thunderbolt/laptop-dock.json")),
            (Links{{3, {"Up to 40 Gb/s x1", "Harbor TB4 Dock", "Thunderbolt 4"}}}));
  EXPECT_EQ(parseThunderboltReport(test::readFixture("thunderbolt/desktop-peer-and-usb4v2-drive.json")),
            (Links{{2, {"80 Gb/s", "Model17,7", std::nullopt}},
                   {3, {"80 Gb/s", "Quarry Ultra", "Thunderbolt"}}}));
}

PortStatus port(std::int64_t number, std::vector<std::string> protocols) {
  PortStatus p;
  p.id = "Port-USB-C@" + std::to_string(number);
  p.number = number;
  p.connected = true;
  p.protocols = std::move(protocols);
  p.speed = "scanned speed";
  p.device = "scanned device";
  p.smartCable = true;
  p.usbPowerWatts = 4.5;
  return p;
}

TEST(ThunderboltReport, AppliesLinksToPortsOfEqualNumber) {
  struct Case {
    const char* name;
    std::vector<std::string> protocols;
    ThunderboltLink link;
    std::optional<std::string> speed, device;
    std::vector<std::string> protocolsAfter;
  };
  const Case cases[] = {
      {"all three", {"Thunderbolt", "USB 3"}, {"S", "D", "Thunderbolt 4"}, "S", "D",
       {"Thunderbolt 4", "USB 3"}},
      {"only the first Thunderbolt", {"USB 3", "Thunderbolt", "Thunderbolt"}, {{}, {}, "USB4"},
       "scanned speed", "scanned device", {"USB 3", "USB4", "Thunderbolt"}},
      {"a mode never adds a protocol", {"USB 3"}, {"S", "D", "Thunderbolt 4"}, "S", "D", {"USB 3"}},
      {"exact protocol name", {"thunderbolt"}, {{}, {}, "USB4"}, "scanned speed", "scanned device",
       {"thunderbolt"}},
      {"speed only", {"Thunderbolt"}, {"S", {}, {}}, "S", "scanned device", {"Thunderbolt"}},
  };
  for (const Case& c : cases) {
    Snapshot snapshot{{port(1, {"USB 2"}), port(2, c.protocols)}, 96, {42}};
    const Snapshot merged = applyThunderboltLinks(snapshot, {{2, c.link}, {7, {"X", "Y", "Z"}}});
    Snapshot expected = snapshot;
    expected.ports[1].speed = c.speed;
    expected.ports[1].device = c.device;
    expected.ports[1].protocols = c.protocolsAfter;
    EXPECT_EQ(merged, expected) << c.name;
  }
}

TEST(ThunderboltReport, MergeRunsTheToolOnce) {
  test::FakeProcessRunner runner;
  runner.output = test::readFixture("thunderbolt/laptop-dock.json");
  const Snapshot scanned{{port(3, {"Thunderbolt", "USB 3", "USB 2"})}, 96, {5}};
  const Snapshot merged = mergeThunderbolt(scanned, runner);
  ASSERT_EQ(runner.calls.size(), 1u);
  EXPECT_EQ(runner.calls[0].path, "/usr/sbin/system_profiler");
  EXPECT_EQ(runner.calls[0].arguments, (std::vector<std::string>{"SPThunderboltDataType", "-json"}));
  EXPECT_EQ(runner.calls[0].outputLimit, kMaxThunderboltReportBytes);
  EXPECT_EQ(merged.ports[0].speed, "Up to 40 Gb/s x1");
  EXPECT_EQ(merged.ports[0].device, "Harbor TB4 Dock");
  EXPECT_EQ(merged.ports[0].protocols, (std::vector<std::string>{"Thunderbolt 4", "USB 3", "USB 2"}));
  EXPECT_EQ(merged.chargerWatts, 96);
  EXPECT_EQ(merged.taken.seconds, 5);
}

TEST(ThunderboltReport, ToolThatCannotRunLeavesTheSnapshot) {
  test::FakeProcessRunner runner;  // no output: not started, timed out or too much
  const Snapshot scanned{{port(3, {"Thunderbolt"})}, std::nullopt, {5}};
  EXPECT_EQ(mergeThunderbolt(scanned, runner), scanned);
  EXPECT_TRUE(readThunderboltLinks(runner).empty());
}

}  // namespace
}  // namespace plugscope
