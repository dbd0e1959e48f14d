// Inputs the fuzz targets found, kept so that their faults stay mended, and
// the neighbouring cases found while mending them.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "sysfs_rules/sysfs_attributes.h"
#include "platform/linux/sysfs_registry.h"
#include "platform/sysfs_fake_tree.h"
#include "scanner/port_scan.h"
#include "shared/snapshot_json.h"

namespace plugscope {
namespace {

// The number in front of a rate text's unit.
std::string rateNumber(const std::string& text) { return text.substr(0, text.size() - 5); }

TEST(FuzzRegressions, HugeUsbSpeedRateTextIsNotCutShort) {
  // sysfs_attributes_fuzz: a 57-digit USB "speed" made a rate text of only
  // 31 digits, a number many orders of magnitude too small.
  const auto speed = sysfs::usbLinkSpeed("2" + std::string(56, '8'));
  ASSERT_TRUE(speed);
  EXPECT_EQ(speed->lane, sysfs::UsbLane::usb3);
  const std::string text = sysfs::rateText(speed->megabits);
  ASSERT_TRUE(text.ends_with(" Gb/s")) << text;
  // 2.88…e56 Mb/s is 2.88…e53 Gb/s: a whole number of 54 digits.
  const std::string number = rateNumber(text);
  EXPECT_EQ(number.size(), 54u) << text;
  EXPECT_TRUE(number.starts_with("288888888888888")) << text;
  EXPECT_NEAR(std::strtod(number.c_str(), nullptr) / (speed->megabits / 1000.0), 1.0, 1e-12);

  // The largest double still fits.
  EXPECT_EQ(rateNumber(sysfs::rateText(1.7976931348623157e308)).size(), 306u);
}

TEST(FuzzRegressions, NegativeZeroIsWrittenAsMinusZeroAndReadsAsAnEqualZero) {
  // snapshot_json_fuzz: "taken":-0.0 reads as -0.0, is written "-0", and
  // "-0" (a JSON integer) reads as 0.0: an equal snapshot, other bytes.
  const std::string file =
      R"({"ports":[{"id":"Port","number":0,"connected":false,"usbPowerWatts":-0.0,)"
      R"("protocols":[],"smartCable":false,"activeCable":false,"opticalCable":false,)"
      R"("powerIn":false}],"taken":-0.0})";
  const auto read = decodeSnapshotOrNone(file);
  ASSERT_TRUE(read);
  EXPECT_TRUE(std::signbit(read->taken.seconds));
  const auto written = encodeSnapshot(*read);
  ASSERT_TRUE(written);
  EXPECT_TRUE(written->ends_with(R"("usbPowerWatts":-0,"powerIn":false}],"taken":-0})")) << *written;
  const auto again = decodeSnapshotOrNone(*written);
  ASSERT_TRUE(again);
  EXPECT_EQ(*again, *read);
  EXPECT_EQ(encodeSnapshot(*again),
            R"({"ports":[{"id":"Port","number":0,"connected":false,"protocols":[],)"
            R"("smartCable":false,"activeCable":false,"opticalCable":false,)"
            R"("usbPowerWatts":0,"powerIn":false}],"taken":0})");
}

TEST(FuzzRegressions, OverflowingLaneSpeedGivesNoRateText) {
  // A lane speed that is finite on its own overflows once multiplied by
  // lanes and by 1000; the link then shows no rate rather than "inf Gb/s".
  const std::string huge = "1" + std::string(305, '0') + ".0 Gb/s";
  struct Case {
    const char* name;
    std::map<std::string, std::string> router;
    std::optional<std::string> speed;
  };
  const Case cases[] = {
      {"overflowing direction only", {{"rx_speed", huge}, {"rx_lanes", "1000"}}, std::nullopt},
      {"the other direction is sane",
       {{"rx_speed", huge}, {"rx_lanes", "1000"}, {"tx_speed", "20.0 Gb/s"}, {"tx_lanes", "2"}},
       "40 Gb/s"},
  };
  for (const Case& c : cases) {
    test::FakeSysfs tree;
    const std::string p = tree.typecPort(2, "[source] sink");
    tree.partner(p, "peripheral");
    tree.usb4Port(p, 1, 3, "usb4");
    tree.router("1-3", c.router);
    const auto ports = scanPorts(*SysfsRegistrySource(tree.root()).current(), PointInTime{0}).ports;
    ASSERT_EQ(ports.size(), 1u) << c.name;
    EXPECT_EQ(ports[0].protocols, std::vector<std::string>{"Thunderbolt"}) << c.name;
    EXPECT_EQ(ports[0].speed, c.speed) << c.name;
  }
}

}  // namespace
}  // namespace plugscope
