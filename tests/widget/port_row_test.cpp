#include "widget/port_row.h"

#include <gtest/gtest.h>

#include <clocale>
#include <locale>

#include "widget_test_support.h"

namespace plugscope {
namespace {

using test::port;
using test::treeText;

TEST(PortRowTexts, TitleIsUsbCAndTheNumberInDecimal) {
  EXPECT_EQ(titleText(port(2, true)), "USB-C 2");
  EXPECT_EQ(titleText(port(-3, true)), "USB-C -3");
  EXPECT_EQ(titleText(port(1234567, true)), "USB-C 1234567");
}

TEST(PortRowTexts, StateText) {
  struct Row {
    const char* name;
    bool connected;
    std::optional<std::string> device;
    std::string expected;
  };
  const Row rows[] = {
      {"connected device", true, "iPhone", "iPhone"},
      {"connected without device", true, std::nullopt, "Connected"},
      {"connected empty device", true, "", ""},
      {"unplugged ignores a stale device", false, "iPhone", "Nothing plugged in"},
      {"unplugged", false, std::nullopt, "Nothing plugged in"},
  };
  for (const auto& row : rows) {
    PortStatus p = port(1, row.connected);
    p.device = row.device;
    EXPECT_EQ(stateText(p), row.expected) << row.name;
  }
}

TEST(PortRowTexts, CableDescription) {
  struct Row {
    const char* name;
    bool connected, smart, active, optical;
    std::optional<std::string> expected;
  };
  const Row rows[] = {
      {"smart", true, true, false, false, "Smart cable"},
      {"active optical", true, false, true, true, "Active \u00b7 Optical"},
      {"all three in order", true, true, true, true, "Smart cable \u00b7 Active \u00b7 Optical"},
      {"no flags", true, false, false, false, std::nullopt},
      {"not connected", false, true, true, true, std::nullopt},
  };
  for (const auto& row : rows) {
    PortStatus p = port(1, row.connected);
    p.smartCable = row.smart;
    p.activeCable = row.active;
    p.opticalCable = row.optical;
    EXPECT_EQ(cableDescription(p), row.expected) << row.name;
  }
}

TEST(PortRowTexts, DetailText) {
  struct Row {
    const char* name;
    std::vector<std::string> protocols;
    bool smart, active, optical;
    std::optional<double> watts;
    std::string expected;
  };
  const Row rows[] = {
      {"protocols, smart cable and bus power",
       {"USB 3", "USB 2"},
       true,
       false,
       false,
       4.5,
       "USB 3, USB 2 \u00b7 Smart cable \u00b7 4.5 W"},
      {"active optical only", {}, false, true, true, std::nullopt, "Active \u00b7 Optical"},
      {"zero watts is present", {}, false, false, false, 0.0, "0.0 W"},
      {"nothing at all", {}, false, false, false, std::nullopt, ""},
      {"whole watts keep one decimal",
       {"DisplayPort"},
       false,
       false,
       false,
       15.0,
       "DisplayPort \u00b7 15.0 W"},
      {"only an empty protocol name", {""}, false, false, false, std::nullopt, ""},
      {"empty protocol name then watts", {""}, false, false, false, 2.5, "2.5 W"},
      {"rounding to tenths", {"USB 2"}, false, false, false, 1.12, "USB 2 \u00b7 1.1 W"},
  };
  for (const auto& row : rows) {
    PortStatus p = port(1, true);
    p.protocols = row.protocols;
    p.smartCable = row.smart;
    p.activeCable = row.active;
    p.opticalCable = row.optical;
    p.usbPowerWatts = row.watts;
    EXPECT_EQ(detailText(p), row.expected) << row.name;
  }
}

TEST(PortRowTexts, ChargingTextIsAKeyWithTheWatts) {
  const TextContent text = chargingText(96);
  EXPECT_TRUE(text.localized);
  EXPECT_EQ(text.text, "Charging the Mac \u00b7 %lld W");
  EXPECT_EQ(text.argument, 96);
}

TEST(PortRowTexts, WattsUseAFullStopWhateverTheLocale) {
  // A locale whose decimal mark is a comma, in both the C and C++ worlds.
  const std::string previous = std::setlocale(LC_ALL, nullptr);
  ASSERT_TRUE(std::setlocale(LC_ALL, "de_DE.UTF-8")) << "scripts/install-deps generates it";
  const std::locale previousGlobal = std::locale::global(std::locale("de_DE.UTF-8"));
  EXPECT_EQ(formatWatts(4.5), "4.5 W");
  EXPECT_EQ(formatWatts(15), "15.0 W");
  EXPECT_EQ(formatWatts(1234.56), "1234.6 W");
  std::locale::global(previousGlobal);
  std::setlocale(LC_ALL, previous.c_str());
}

TEST(PortRowTree, ConnectedPortWithEverything) {
  PortStatus p = port(2, true);
  p.protocols = {"USB 3", "USB 2"};
  p.speed = "10 Gbps";
  p.device = "iPhone";
  p.smartCable = true;
  p.usbPowerWatts = 4.5;
  p.powerIn = true;
  EXPECT_EQ(treeText(portRow(p, false, 96)),
            "HStack alignment=top spacing=8 id=\"Port-USB-C@2\"\n"
            "  Circle fill=green frame=8x8 padding.top=5\n"
            "  VStack alignment=leading spacing=1\n"
            "    HStack alignment=center spacing=6\n"
            "      Text \"USB-C 2\" font=subheadline fontWeight=semibold\n"
            "      Text \"10 Gbps\" font=caption fontWeight=semibold monospacedDigit=true "
            "padding.horizontal=5 padding.vertical=1 background=Capsule\n"
            "        Capsule style=continuous fill=quaternary\n"
            "    Text \"iPhone\" font=caption foreground=secondary lineLimit=1\n"
            "    Label \"Charging the Mac \u00b7 96 W\" \"bolt.fill\" font=caption2 "
            "foreground=green lineLimit=1\n"
            "    Text \"USB 3, USB 2 \u00b7 Smart cable \u00b7 4.5 W\" font=caption2 "
            "foreground=tertiary lineLimit=1\n");
}

TEST(PortRowTree, DisconnectedPortWithPowerInAndChargerAndStaleFacts) {
  // A stored file may say so: unplugged, yet powering the Mac, with cable
  // flags, protocols, bus power and a speed left over.
  PortStatus p = port(3, false);
  p.protocols = {"USB 3"};
  p.speed = "5 Gbps";
  p.smartCable = true;
  p.usbPowerWatts = 2.5;
  p.powerIn = true;
  EXPECT_EQ(treeText(portRow(p, false, 60)),
            "HStack alignment=top spacing=8 id=\"Port-USB-C@3\"\n"
            "  Circle fill=secondary opacity=0.35 frame=8x8 padding.top=5\n"
            "  VStack alignment=leading spacing=1\n"
            "    HStack alignment=center spacing=6\n"
            "      Text \"USB-C 3\" font=subheadline fontWeight=semibold\n"
            "      Text \"5 Gbps\" font=caption fontWeight=semibold monospacedDigit=true "
            "padding.horizontal=5 padding.vertical=1 background=Capsule\n"
            "        Capsule style=continuous fill=quaternary\n"
            "    Text \"Nothing plugged in\" font=caption foreground=secondary lineLimit=1\n"
            "    Label \"Charging the Mac \u00b7 60 W\" \"bolt.fill\" font=caption2 "
            "foreground=green lineLimit=1\n");
}

TEST(PortRowTree, LinesShownOrLeftOut) {
  const auto lines = [](const PortStatus& p, bool compact, std::optional<std::int64_t> charger) {
    return treeText(portRow(p, compact, charger));
  };
  PortStatus full = port(1, true);
  full.protocols = {"Thunderbolt"};
  full.speed = "40 Gbps";
  full.smartCable = true;
  full.usbPowerWatts = 4.5;
  full.powerIn = true;

  // Compact: state and charging lines stay, the detail line goes.
  const std::string compact = lines(full, true, 96);
  EXPECT_NE(compact.find("\"Connected\""), std::string::npos);
  EXPECT_NE(compact.find("Charging the Mac"), std::string::npos);
  EXPECT_EQ(compact.find("Thunderbolt"), std::string::npos);

  // powerIn without a charger: no charging line; a charger without powerIn
  // neither.
  EXPECT_EQ(lines(full, false, std::nullopt).find("Charging"), std::string::npos);
  PortStatus notCharging = full;
  notCharging.powerIn = false;
  EXPECT_EQ(lines(notCharging, false, 96).find("Charging"), std::string::npos);

  // A present empty speed still gets its (empty) badge; an absent one none.
  PortStatus emptySpeed = port(1, true);
  emptySpeed.speed = "";
  EXPECT_NE(
      lines(emptySpeed, false, std::nullopt).find("Text \"\" font=caption fontWeight=semibold"),
      std::string::npos);
  EXPECT_EQ(lines(port(1, true), false, std::nullopt).find("Capsule"), std::string::npos);

  // Connected with nothing to detail: no detail line.
  EXPECT_EQ(lines(port(1, true), false, std::nullopt).find("tertiary"), std::string::npos);
  EXPECT_FALSE(showsDetailLine(port(1, true), false));
  EXPECT_TRUE(showsDetailLine(full, false));
  EXPECT_FALSE(showsDetailLine(full, true));
}

}  // namespace
}  // namespace plugscope
