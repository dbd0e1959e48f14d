#include "desktop/plug_notices.h"

#include <gtest/gtest.h>

#include "widget/cable_texts.h"

namespace plugscope {
namespace {

PortStatus port(int number, bool connected) {
  PortStatus p;
  p.id = "Port-USB-C@" + std::to_string(number);
  p.number = number;
  p.connected = connected;
  return p;
}

TEST(PlugNotices, PortsThatHaveSomethingAttachedNowAndDidNotBefore) {
  Snapshot before{{port(1, false), port(2, true), port(3, false), port(4, false), port(5, true),
                   port(6, false)},
                  std::nullopt,
                  0};
  Snapshot after = before;
  auto& dock = after.ports[2];  // nothing → a dock with speed and details
  dock.connected = true;
  dock.device = "Harbor TB4 Dock";
  dock.speed = "40 Gbps";
  dock.protocols = {"Thunderbolt", "USB 3"};
  dock.smartCable = true;
  auto& bare = after.ports[3];  // nothing → something unnamed, no speed
  bare.connected = true;
  bare.speed = "";
  after.ports[4].connected = false;       // unplugged: no notice
  after.ports.push_back(port(7, true));   // a port that appears with something attached
  after.ports.push_back(port(8, false));  // a port that appears empty: no notice

  const UntranslatedStrings english;
  const CableTexts texts(english);
  const std::vector<PlugNotice> expected = {
      {"plugged-Port-USB-C@3",
       {"USB-C 3: Harbor TB4 Dock \u00b7 40 Gbps", "Thunderbolt, USB 3 \u00b7 Smart cable"}},
      {"plugged-Port-USB-C@4", {"USB-C 4: Connected", ""}},
      {"plugged-Port-USB-C@7", {"USB-C 7: Connected", ""}},
  };
  EXPECT_EQ(plugNotices(before, after, texts), expected);
  EXPECT_TRUE(plugNotices(after, after, texts).empty());
  // The first snapshot after launch announces nothing.
  EXPECT_TRUE(plugNotices(std::nullopt, after, texts).empty());
}

}  // namespace
}  // namespace plugscope
