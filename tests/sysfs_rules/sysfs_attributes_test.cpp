#include <gtest/gtest.h>

#include "sysfs_rules/sysfs_attributes.h"
#include "sysfs_rules/sysfs_names.h"

namespace plugscope::sysfs {
namespace {

TEST(SysfsAttributes, TrimRemovesKernelNewlinesAndPaddingOnly) {
  EXPECT_EQ(trimText("source [sink]\n"), "source [sink]");
  EXPECT_EQ(trimText(" 2.00\n"), "2.00");  // a USB "version"
  EXPECT_EQ(trimText("\t a b \r\n"), "a b");
  EXPECT_EQ(trimText("\n"), "");
  EXPECT_EQ(trimText(""), "");
}

TEST(SysfsAttributes, InvalidUtf8BytesEachBecomeOneReplacementCharacter) {
  struct Case {
    const char* name;
    std::string input;
    std::string expected;
  };
  const Case cases[] = {
      {"ascii", "Keyboard", "Keyboard"},
      {"valid multibyte", "Caf\xC3\xA9 \xF0\x9F\x94\x8C", "Caf\xC3\xA9 \xF0\x9F\x94\x8C"},
      {"latin-1 byte", "Caf\xE9 Dock", "Caf\xEF\xBF\xBD Dock"},
      {"lone continuation", "\x80x", "\xEF\xBF\xBDx"},
      {"truncated sequence at end", "ab\xE2\x82", "ab\xEF\xBF\xBD\xEF\xBF\xBD"},
      {"overlong slash", "\xC0\xAF", "\xEF\xBF\xBD\xEF\xBF\xBD"},
      {"surrogate", "\xED\xA0\x80", "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"},
      {"nul kept", std::string("a\0b", 3), std::string("a\0b", 3)},
  };
  for (const Case& c : cases) EXPECT_EQ(validUtf8(c.input), c.expected) << c.name;
}

TEST(SysfsAttributes, SelectedWordIsTheBracketedChoice) {
  struct Case {
    const char* input;
    std::optional<std::string> expected;
  };
  const Case cases[] = {
      {"source [sink]\n", "sink"},
      {"[source] sink", "source"},
      {"[sink]", "sink"},
      {"C [PD] PD_PPS", "PD"},
      {"sink", "sink"},  // a list of one bare word
      {"source sink", std::nullopt},
      {"", std::nullopt},
      {"[]", std::nullopt},
      {"[source", std::nullopt},
      {"source]", std::nullopt},
      {"[source] [sink]", std::nullopt},
      {"[so urce]", std::nullopt},
  };
  for (const Case& c : cases) EXPECT_EQ(selectedWord(c.input), c.expected) << c.input;
}

TEST(SysfsAttributes, IntegersCarryAnOptionalUnitSuffix) {
  struct Case {
    const char* input;
    const char* unit;
    std::optional<std::int64_t> expected;
  };
  const Case cases[] = {
      {"5000mV\n", "mV", 5000},
      {"500mA", "mA", 500},
      {"3000", "mA", 3000},
      {"0mA", "mA", 0},
      {"20000000", "", 20000000},
      {"", "mA", std::nullopt},  // an unconfigured device's bMaxPower
      {"mA", "mA", std::nullopt},
      {"5 mA", "mA", std::nullopt},
      {"-5mA", "mA", std::nullopt},
      {"+5mA", "mA", std::nullopt},
      {"5000mA", "mV", std::nullopt},
      {"99999999999999999999", "", std::nullopt},
  };
  for (const Case& c : cases) EXPECT_EQ(integerWithUnit(c.input, c.unit), c.expected) << c.input;
}

TEST(SysfsAttributes, HexWordsAsTheKernelPrintsThem) {
  EXPECT_EQ(hexWord("0x18000000\n"), 0x18000000u);
  EXPECT_EQ(hexWord("0xd50005ac"), 0xd50005acu);
  EXPECT_EQ(hexWord("ff01"), 0xff01u);
  EXPECT_EQ(hexWord("0x00000000"), 0u);
  EXPECT_EQ(hexWord("0x"), std::nullopt);
  EXPECT_EQ(hexWord("0x123456789"), std::nullopt);
  EXPECT_EQ(hexWord("0xg0"), std::nullopt);
  EXPECT_EQ(hexWord("-1"), std::nullopt);
}

TEST(SysfsAttributes, LaneSpeedsAndRateTexts) {
  EXPECT_EQ(gigabitsPerSecond("20.0 Gb/s\n"), 20.0);
  EXPECT_EQ(gigabitsPerSecond("10 Gb/s"), 10.0);
  EXPECT_EQ(gigabitsPerSecond("0.0 Gb/s"), std::nullopt);
  EXPECT_EQ(gigabitsPerSecond("Gb/s"), std::nullopt);
  EXPECT_EQ(gigabitsPerSecond("inf Gb/s"), std::nullopt);
  EXPECT_EQ(gigabitsPerSecond("20.0 Mb/s"), std::nullopt);

  struct Case {
    double megabits;
    const char* expected;
  };
  const Case cases[] = {{1.5, "1.5 Mb/s"},      {12, "12 Mb/s"},      {480, "480 Mb/s"},
                        {5000, "5 Gb/s"},       {10000, "10 Gb/s"},   {20000, "20 Gb/s"},
                        {40000, "40 Gb/s"},     {2500, "2.5 Gb/s"},   {120000, "120 Gb/s"}};
  for (const Case& c : cases) EXPECT_EQ(rateText(c.megabits), c.expected) << c.megabits;
}

TEST(SysfsAttributes, UsbSpeedsPickTheirLane) {
  struct Case {
    const char* speed;
    std::optional<UsbLane> lane;
    double megabits;
  };
  const Case cases[] = {
      {"1.5", UsbLane::usb2, 1.5},       {"12", UsbLane::usb2, 12},
      {"480\n", UsbLane::usb2, 480},     {"5000", UsbLane::usb3, 5000},
      {"10000", UsbLane::usb3, 10000},   {"20000", UsbLane::usb3, 20000},
      {"unknown", std::nullopt, 0},      {"", std::nullopt, 0},
      {"0", std::nullopt, 0},            {"480 Mb/s", std::nullopt, 0},
  };
  for (const Case& c : cases) {
    const auto got = usbLinkSpeed(c.speed);
    ASSERT_EQ(got.has_value(), c.lane.has_value()) << c.speed;
    if (!got) continue;
    EXPECT_EQ(got->lane, *c.lane) << c.speed;
    EXPECT_EQ(got->megabits, c.megabits) << c.speed;
  }
}

TEST(SysfsAttributes, WattsAreRoundedFromMilliwatts) {
  EXPECT_EQ(wattsFromMilliwatts(65000), 65);
  EXPECT_EQ(wattsFromMilliwatts(64500), 65);
  EXPECT_EQ(wattsFromMilliwatts(64499), 64);
  EXPECT_EQ(wattsFromMilliwatts(0), std::nullopt);
  EXPECT_EQ(wattsFromMilliwatts(-5), std::nullopt);
  EXPECT_EQ(wattsFromMilliwatts(1e300), std::nullopt);
}

TEST(SysfsNames, DeviceNamesOfEachKind) {
  EXPECT_EQ(typecPortIndex("port0"), 0);
  EXPECT_EQ(typecPortIndex("port12"), 12);
  EXPECT_EQ(typecPortIndex("port0-partner"), std::nullopt);
  EXPECT_EQ(typecPortIndex("port0.1"), std::nullopt);
  EXPECT_EQ(typecPortIndex("port"), std::nullopt);
  EXPECT_EQ(typecPortIndex("port99999999999999999999"), std::nullopt);

  EXPECT_EQ(usbDeviceName("usb3"), (UsbDeviceName{3, {}}));
  EXPECT_EQ(usbDeviceName("1-1.5.4.2"), (UsbDeviceName{1, {1, 5, 4, 2}}));
  EXPECT_EQ(usbDeviceName("1-1.5.4.2:1.0"), std::nullopt);  // an interface
  EXPECT_EQ(usbDeviceName("usb2-port1"), std::nullopt);    // a port
  EXPECT_EQ(usbDeviceName("usb4_port1"), std::nullopt);
  EXPECT_EQ(usbDeviceName("3-0"), std::nullopt);
  EXPECT_EQ(usbDeviceName("3-1..2"), std::nullopt);
  EXPECT_EQ(usbDeviceText(UsbDeviceName{1, {1, 5, 4}}), "1-1.5.4");
  EXPECT_EQ(usbDeviceText(UsbDeviceName{2, {}}), "usb2");

  // The link names under a Type-C port carry bus numbers, not generations.
  EXPECT_EQ(usbPortName("usb2-port1"), (UsbPortRef{{2, {}}, 1}));
  EXPECT_EQ(usbPortName("2-1.4-port3"), (UsbPortRef{{2, {1, 4}}, 3}));
  EXPECT_EQ(usbPortName("usb4_port1"), std::nullopt);
  EXPECT_EQ(usbPortName("usb2-port"), std::nullopt);
  EXPECT_EQ(usb4PortIndex("usb4_port3"), 3);
  EXPECT_EQ(usb4PortIndex("usb4-port3"), std::nullopt);
}

TEST(SysfsNames, RouterDepthCountsTheRouteBytes) {
  struct Case {
    const char* name;
    std::optional<std::int64_t> depth;
  };
  const Case cases[] = {
      {"0-0", 0},  {"0-1", 1},  {"1-3", 1},   {"0-301", 2}, {"0-10301", 3},
      {"domain0", std::nullopt}, {"0-0:1.1", std::nullopt}, {"0-1.1", std::nullopt},
      {"0-", std::nullopt},      {"0-1A", std::nullopt},    {"0-11111111111111111", std::nullopt},
  };
  for (const Case& c : cases) {
    const auto router = routerName(c.name);
    EXPECT_EQ(router ? std::optional(router->depth) : std::nullopt, c.depth) << c.name;
  }
  EXPECT_EQ(routerName("1-301")->route, 0x301u);
  EXPECT_EQ(routerName("1-301")->domain, 1);

  EXPECT_EQ(usb4PortDomain("../../../0000:00:0d.2/domain0/0-0/usb4_port1"), 0);
  EXPECT_EQ(usb4PortDomain("../../0000:00:0d.3/domain1/1-0/usb4_port1"), 1);
  EXPECT_EQ(usb4PortDomain("../0-1/usb4_port1"), std::nullopt);  // not a host router
  EXPECT_EQ(usb4PortDomain("../0-0/usb2-port1"), std::nullopt);
  EXPECT_EQ(usb4PortDomain("usb4_port1"), std::nullopt);
}

}  // namespace
}  // namespace plugscope::sysfs
