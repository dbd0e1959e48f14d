#include "host/widget_layout.h"

#include <gtest/gtest.h>

#include "host/semantic_fonts.h"
#include "host/text_fitting.h"
#include "host/widget_metrics.h"
#include "render_test_support.h"

// Geometry of the widget's tree, measured with the pinned fonts. Expected
// positions follow from the widget's spacings and the fonts' line heights.
namespace plugscope {
namespace {

using test::layOut;
using test::pinnedText;

double lineHeight(TextStyle style, std::optional<FontWeight> weight = std::nullopt) {
  return pinnedText().measure("", fontFor(style, weight, false), std::nullopt).height;
}

double textWidth(const std::string& text, TextStyle style,
                 std::optional<FontWeight> weight = std::nullopt, bool digits = false) {
  return pinnedText().measure(text, fontFor(style, weight, digits), std::nullopt).width;
}

// The root's children: header, then one row per port (or the message).
const PlacedView& header(const WidgetLayout& layout) { return layout.root.children.at(0); }
const PlacedView& row(const WidgetLayout& layout, std::size_t index) {
  return layout.root.children.at(1 + index);
}
const PlacedView& dot(const PlacedView& row) { return row.children.at(0); }
const PlacedView& column(const PlacedView& row) { return row.children.at(1); }
const PlacedView& titleLine(const PlacedView& row) { return column(row).children.at(0); }
const PlacedView& line(const PlacedView& row, std::size_t index) {
  return column(row).children.at(index);
}

struct FamilyCase {
  const char* name;
  WidgetFamily family;
  double width;
  double height;
  double spacing;
};

const FamilyCase kFamilies[] = {
    {"small", WidgetFamily::small, 170, 170, 6},
    {"medium", WidgetFamily::medium, 364, 170, 9},
    {"large", WidgetFamily::large, 364, 382, 9},
};

TEST(WidgetLayoutTest, HeaderSpansTheContentAreaWithWattsAtTheTrailingEdge) {
  for (const auto& c : kFamilies) {
    SCOPED_TRACE(c.name);
    const WidgetLayout layout = layOut(test::dockPhoneAndEmptyPort(), c.family);
    EXPECT_EQ(layout.bounds, (Rect{0, 0, c.width, c.height}));
    EXPECT_EQ(layout.containerBackground, ShapeStyle::fillTertiary);

    const PlacedView& h = header(layout);
    const double headlineHeight = lineHeight(TextStyle::headline);
    EXPECT_DOUBLE_EQ(h.frame.x, 16);
    EXPECT_DOUBLE_EQ(h.frame.y, 16);
    EXPECT_DOUBLE_EQ(h.frame.width, c.width - 32);
    EXPECT_DOUBLE_EQ(h.frame.height, headlineHeight);

    // Symbol, then "Cables" after the default spacing; the label ends at
    // the trailing margin. All centred on one line.
    const PlacedView& symbol = h.children.at(0);
    const PlacedView& title = h.children.at(1);
    const PlacedView& watts = h.children.at(3);
    EXPECT_DOUBLE_EQ(symbol.frame.x, 16);
    EXPECT_DOUBLE_EQ(symbol.frame.height, 13);  // body size: the image has no font of its own
    EXPECT_DOUBLE_EQ(title.frame.x, symbol.frame.maxX() + kDefaultStackSpacing);
    EXPECT_EQ(title.text, "Cables");
    EXPECT_DOUBLE_EQ(title.frame.width, textWidth("Cables", TextStyle::headline));
    EXPECT_EQ(watts.text, "96 W");
    EXPECT_DOUBLE_EQ(watts.frame.maxX(), c.width - 16);
    EXPECT_DOUBLE_EQ(watts.textFrame.width, textWidth("96 W", TextStyle::caption));
    EXPECT_DOUBLE_EQ(watts.textFrame.x - watts.symbolFrame.maxX(), 4);
    for (const PlacedView* v : {&symbol, &title, &watts}) {
      EXPECT_DOUBLE_EQ(v->frame.y + v->frame.height / 2, 16 + headlineHeight / 2);
    }
    // The spacer takes exactly what the others leave.
    const PlacedView& space = h.children.at(2);
    EXPECT_DOUBLE_EQ(space.frame.x, title.frame.maxX() + 8);
    EXPECT_DOUBLE_EQ(space.frame.maxX() + 8, watts.frame.x);
  }
}

// The rows shown, and the line that counts those left out, follow each
// other with the family's spacing.
TEST(WidgetLayoutTest, RowsFollowEachOtherWithTheFamilySpacing) {
  for (const auto& c : kFamilies) {
    SCOPED_TRACE(c.name);
    const WidgetLayout layout = layOut(test::dockPhoneAndEmptyPort(), c.family);
    const std::size_t shown = 3 - layout.rowsNotShown;
    double top = header(layout).frame.maxY();
    for (std::size_t i = 0; i < shown + (layout.rowsNotShown > 0 ? 1 : 0); ++i) {
      const PlacedView& r = row(layout, i);
      EXPECT_EQ(r.identity, i < shown ? "Port-USB-C@" + std::to_string(i + 1) : "");
      EXPECT_DOUBLE_EQ(r.frame.x, 16);
      EXPECT_DOUBLE_EQ(r.frame.y, top + c.spacing);
      top = r.frame.maxY();
    }
  }
}

TEST(WidgetLayoutTest, RowPlacesDotBadgeAndLines) {
  for (const auto& c : kFamilies) {
    SCOPED_TRACE(c.name);
    const WidgetLayout layout = layOut(test::dockPhoneAndEmptyPort(), c.family);
    const PlacedView& dock = row(layout, 0);
    const double y = dock.frame.y;

    // The dot: 8 by 8, 5 points down, green; the column 8 points after it.
    EXPECT_EQ(dot(dock).contentFrame, (Rect{16, y + 5, 8, 8}));
    EXPECT_EQ(dot(dock).frame, (Rect{16, y, 8, 13}));
    EXPECT_EQ(dot(dock).paint, (Paint{ShapeStyle::green, 1}));
    EXPECT_DOUBLE_EQ(column(dock).frame.x, 32);
    EXPECT_DOUBLE_EQ(column(dock).frame.y, y);

    // Title and badge, 6 apart, centred on each other. The badge is its
    // text plus 5 points each side and 1 above and below, on a capsule.
    const PlacedView& title = titleLine(dock).children.at(0);
    const PlacedView& badge = titleLine(dock).children.at(1);
    const double titleHeight = lineHeight(TextStyle::subheadline, FontWeight::semibold);
    const double captionHeight = lineHeight(TextStyle::caption);
    EXPECT_DOUBLE_EQ(title.frame.x, 32);
    EXPECT_DOUBLE_EQ(title.frame.width,
                     textWidth("USB-C 1", TextStyle::subheadline, FontWeight::semibold));
    EXPECT_DOUBLE_EQ(badge.frame.x, title.frame.maxX() + 6);
    EXPECT_DOUBLE_EQ(badge.frame.width,
                     textWidth("40 Gb/s", TextStyle::caption, FontWeight::semibold, true) + 10);
    EXPECT_DOUBLE_EQ(badge.frame.height, captionHeight + 2);
    EXPECT_DOUBLE_EQ(badge.contentFrame.x, badge.frame.x + 5);
    EXPECT_DOUBLE_EQ(badge.contentFrame.y, badge.frame.y + 1);
    ASSERT_EQ(badge.backgrounds.size(), 1u);
    EXPECT_EQ(badge.backgrounds[0].kind, ViewKind::capsule);
    EXPECT_EQ(badge.backgrounds[0].frame, badge.frame);
    EXPECT_EQ(badge.backgrounds[0].paint.style, ShapeStyle::quaternary);
    EXPECT_DOUBLE_EQ(titleLine(dock).frame.height, std::max(titleHeight, captionHeight + 2));
    EXPECT_DOUBLE_EQ(title.frame.y + title.frame.height / 2,
                     badge.frame.y + badge.frame.height / 2);

    // State, charging and (outside small) detail lines, 1 point apart.
    const bool compact = c.family == WidgetFamily::small;
    ASSERT_EQ(column(dock).children.size(), compact ? 3u : 4u);
    double top = titleLine(dock).frame.maxY();
    const double heights[] = {captionHeight, lineHeight(TextStyle::caption2),
                              lineHeight(TextStyle::caption2)};
    for (std::size_t i = 1; i < column(dock).children.size(); ++i) {
      EXPECT_DOUBLE_EQ(line(dock, i).frame.x, 32);
      EXPECT_DOUBLE_EQ(line(dock, i).frame.y, top + 1);
      EXPECT_DOUBLE_EQ(line(dock, i).frame.height, heights[i - 1]);
      top = line(dock, i).frame.maxY();
    }
    EXPECT_DOUBLE_EQ(dock.frame.maxY(), top);
    EXPECT_EQ(line(dock, 1).paint.style, ShapeStyle::secondary);
    EXPECT_EQ(line(dock, 2).paint.style, ShapeStyle::green);

  }
  // The empty port's dot: the secondary colour dimmed to 0.35.
  const WidgetLayout large = layOut(test::dockPhoneAndEmptyPort(), WidgetFamily::large);
  EXPECT_EQ(dot(row(large, 2)).paint, (Paint{ShapeStyle::secondary, 0.35}));
}

TEST(WidgetLayoutTest, OverlongDeviceNameIsCutAtTheColumnWidth) {
  for (const auto& c : kFamilies) {
    SCOPED_TRACE(c.name);
    Snapshot snapshot = test::dockPhoneAndEmptyPort();
    snapshot.ports.resize(2);  // two rows fit whole in every family
    const std::string name =
        "Extremely Long Docking Station Name That Cannot Possibly Fit In Any Widget Row";
    snapshot.ports[1].device = name;
    const WidgetLayout layout = layOut(snapshot, c.family);
    const PlacedView& state = line(row(layout, 1), 1);
    const double columnWidth = c.width - 32 - 16;
    const FontSpec caption = fontFor(TextStyle::caption, std::nullopt, false);

    EXPECT_TRUE(state.truncated);
    ASSERT_GT(state.text.size(), std::string(kTruncationMark).size());
    const std::string kept = state.text.substr(0, state.text.size() - 3);
    EXPECT_EQ(state.text.substr(kept.size()), kTruncationMark);
    EXPECT_EQ(name.substr(0, kept.size()), kept);
    EXPECT_LE(state.frame.width, columnWidth);
    // One character more would not fit.
    std::string longer = name.substr(0, kept.size() + 1);
    while (!longer.empty() && longer.back() == ' ') longer = name.substr(0, longer.size() + 1);
    EXPECT_GT(pinnedText().measure(longer + kTruncationMark, caption, std::nullopt).width,
              columnWidth);
  }
}

// A widget with more rows than fit: the rows shown all end inside the
// content area at their full height, the rest are left out and counted on
// the line after them, which fits too, and no further row would have fit
// beside that line. Rows of four lines (a dock), two (a free port) and
// both in turn, so that the line sometimes costs a row and sometimes not.
TEST(WidgetLayoutTest, RowsThatDoNotFitWholeAreLeftOutAndCounted) {
  const Snapshot parts = test::dockPhoneAndEmptyPort();
  const PortStatus dock = parts.ports[0];
  const PortStatus free = parts.ports[2];
  const struct {
    const char* name;
    std::vector<PortStatus> pattern;
  } kinds[] = {
      {"docks", {dock}}, {"free ports", {free}}, {"a dock, then a free port", {dock, free}}};
  for (const auto& c : kFamilies) {
    for (const auto& kind : kinds) {
      for (std::size_t ports = 1; ports <= 14; ++ports) {
        SCOPED_TRACE(std::string(c.name) + ", " + std::to_string(ports) + " ports, " + kind.name);
        Snapshot snapshot{{}, 96, {0}};
        for (std::size_t i = 0; i < ports; ++i) {
          PortStatus port = kind.pattern[i % kind.pattern.size()];
          port.number = static_cast<std::int64_t>(i) + 1;
          port.id = "Port-USB-C@" + std::to_string(port.number);
          snapshot.ports.push_back(port);
        }
        // Each row's own height, as it is alone.
        const auto heightOf = [&](std::size_t i) {
          return row(layOut({{snapshot.ports[i]}, 96, {0}}, c.family), 0).frame.height;
        };
        const WidgetLayout layout = layOut(snapshot, c.family);
        const double bottom = c.height - 16;
        ASSERT_LE(layout.rowsNotShown, ports);
        const std::size_t shown = ports - layout.rowsNotShown;
        // Header, the rows shown, the line when rows are left out, the spacer.
        ASSERT_EQ(layout.root.children.size(), 2 + shown + (layout.rowsNotShown ? 1 : 0));
        for (std::size_t i = 0; i < shown; ++i) {
          EXPECT_EQ(row(layout, i).identity, snapshot.ports[i].id);
          EXPECT_DOUBLE_EQ(row(layout, i).frame.height, heightOf(i)) << "row " << i;
          EXPECT_LE(row(layout, i).frame.maxY(), bottom) << "row " << i;
        }
        EXPECT_DOUBLE_EQ(layout.root.frame.y, 16);  // never centred upwards
        const double lastRowEnd =
            shown ? row(layout, shown - 1).frame.maxY() : header(layout).frame.maxY();
        if (layout.rowsNotShown == 0) continue;
        const PlacedView& line = row(layout, shown);
        const char* noun = layout.rowsNotShown == 1 ? " port not shown" : " ports not shown";
        EXPECT_EQ(line.text, std::to_string(layout.rowsNotShown) + noun);
        EXPECT_EQ(line.paint.style, ShapeStyle::secondary);
        EXPECT_DOUBLE_EQ(line.frame.height, lineHeight(TextStyle::caption));
        EXPECT_DOUBLE_EQ(line.frame.y, lastRowEnd + c.spacing);
        EXPECT_LE(line.frame.maxY(), bottom);
        // One more row, and the line below it, would have run past the bottom.
        EXPECT_GT(lastRowEnd + c.spacing + heightOf(shown) + c.spacing + line.frame.height, bottom);
      }
    }
  }
}

TEST(WidgetLayoutTest, NoPortsShowsTheMessageBelowTheHeader) {
  for (const auto& c : kFamilies) {
    SCOPED_TRACE(c.name);
    const WidgetLayout layout = layOut(Snapshot{{}, std::nullopt, PointInTime{0}}, c.family);
    ASSERT_EQ(layout.root.children.size(), 3u);  // header, message, spacer
    const PlacedView& message = layout.root.children[1];
    EXPECT_EQ(message.text, "No USB-C ports found");
    EXPECT_DOUBLE_EQ(message.frame.x, 16);
    EXPECT_DOUBLE_EQ(message.frame.y, header(layout).frame.maxY() + c.spacing);
    EXPECT_DOUBLE_EQ(message.frame.height, lineHeight(TextStyle::callout));
    // The closing spacer fills the rest of the content area.
    EXPECT_DOUBLE_EQ(layout.root.children[2].frame.maxY(), c.height - 16);
    // Without a charger the header ends in its spacer.
    EXPECT_EQ(header(layout).children.size(), 3u);
    EXPECT_DOUBLE_EQ(header(layout).children[2].frame.maxX(), c.width - 16);
  }
}

}  // namespace
}  // namespace plugscope
