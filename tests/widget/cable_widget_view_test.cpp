#include "widget/cable_widget_view.h"

#include <gtest/gtest.h>

#include "widget/sample_snapshot.h"
#include "widget_test_support.h"

namespace plugscope {
namespace {

using test::port;
using test::treeText;

// The first `count` lines of a tree listing.
std::string firstLines(const std::string& text, int count) {
  std::size_t at = 0;
  for (int i = 0; i < count && at != std::string::npos; ++i) {
    at = text.find('\n', at);
    if (at != std::string::npos) ++at;
  }
  return text.substr(0, at);
}

TEST(CableWidgetView, FamilyDecisions) {
  EXPECT_EQ(rootSpacing(WidgetFamily::small), 6);
  EXPECT_EQ(rootSpacing(WidgetFamily::medium), 9);
  EXPECT_EQ(rootSpacing(WidgetFamily::large), 9);
  EXPECT_TRUE(compactRows(WidgetFamily::small));
  EXPECT_FALSE(compactRows(WidgetFamily::medium));
  EXPECT_FALSE(compactRows(WidgetFamily::large));
}

TEST(CableWidgetView, HeaderWithoutChargerHoldsSymbolTitleAndSpacer) {
  const CableEntry entry{{10}, Snapshot{{port(1, false)}, std::nullopt, {5}}};
  EXPECT_EQ(firstLines(treeText(cableWidgetView(entry, WidgetFamily::medium)), 5),
            "VStack alignment=leading spacing=9 containerBackground=fill.tertiary\n"
            "  HStack alignment=center\n"
            "    Image \"cable.connector\"\n"
            "    Text \"Cables\" font=headline\n"
            "    Spacer\n");
}

TEST(CableWidgetView, HeaderShowsTheChargerEvenAtZeroWatts) {
  for (std::int64_t watts : {96, 0}) {
    const CableEntry entry{{10}, Snapshot{{}, watts, {5}}};
    const std::string tree = treeText(cableWidgetView(entry, WidgetFamily::medium));
    EXPECT_EQ(firstLines(tree, 6).substr(firstLines(tree, 5).size()),
              "    Label \"" + std::to_string(watts) +
                  " W\" \"bolt.fill\" font=caption foreground=secondary\n");
  }
}

TEST(CableWidgetView, NoPortsShowsTheMessageAndNoRows) {
  const CableEntry entry{{10}, Snapshot{{}, std::nullopt, {5}}};
  EXPECT_EQ(treeText(cableWidgetView(entry, WidgetFamily::small)),
            "VStack alignment=leading spacing=6 containerBackground=fill.tertiary\n"
            "  HStack alignment=center\n"
            "    Image \"cable.connector\"\n"
            "    Text \"Cables\" font=headline\n"
            "    Spacer\n"
            "  Text \"No USB-C ports found\" font=callout foreground=secondary\n"
            "  Spacer minLength=0\n");
}

TEST(CableWidgetView, KeysAreLookedUpAndFilled) {
  const test::MapStrings german({{"Cables", "Kabel"},
                                 {"%lld W", "%lld Watt"},
                                 {"No USB-C ports found", "Keine USB-C-Anschl\u00fcsse gefunden"}});
  const CableEntry entry{{10}, Snapshot{{}, 45, {5}}};
  const std::string tree = treeText(cableWidgetView(entry, WidgetFamily::medium), german);
  EXPECT_NE(tree.find("Text \"Kabel\""), std::string::npos);
  EXPECT_NE(tree.find("Label \"45 Watt\""), std::string::npos);
  EXPECT_NE(tree.find("Text \"Keine USB-C-Anschl\u00fcsse gefunden\""), std::string::npos);
}

TEST(CableWidgetView, EveryPortGetsARowInOrderCompactOnlyWhenSmall) {
  // Ports deliberately out of number order: the view does not sort.
  PortStatus third = port(3, true);
  third.protocols = {"DisplayPort"};
  PortStatus first = port(1, true);
  first.protocols = {"USB 2"};
  std::vector<PortStatus> ports{third, first};
  for (int i = 4; i < 12; ++i) ports.push_back(port(i, false));
  const CableEntry entry{{10}, Snapshot{ports, 30, {5}}};

  for (auto family : {WidgetFamily::small, WidgetFamily::medium, WidgetFamily::large}) {
    const ViewNode root = cableWidgetView(entry, family);
    ASSERT_EQ(root.children.size(), ports.size() + 2) << familyName(family);
    for (std::size_t i = 0; i < ports.size(); ++i) {
      EXPECT_EQ(root.children[i + 1].identity, ports[i].id);
    }
    const std::string tree = treeText(root);
    const bool detailShown = tree.find("\"DisplayPort\"") != std::string::npos;
    EXPECT_EQ(detailShown, family != WidgetFamily::small) << familyName(family);
    EXPECT_EQ(tree.find("No USB-C ports found"), std::string::npos);
  }
}

TEST(CableWidgetView, DateAndTakenAppearNowhere) {
  // Distinctive times; if either were drawn, its digits would show.
  const CableEntry entry{{777777.25}, makeSampleSnapshot({888888.5})};
  const std::string tree = treeText(cableWidgetView(entry, WidgetFamily::large));
  EXPECT_EQ(tree.find("777777"), std::string::npos);
  EXPECT_EQ(tree.find("888888"), std::string::npos);
}

}  // namespace
}  // namespace plugscope
