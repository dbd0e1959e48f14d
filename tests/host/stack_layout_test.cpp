#include <gtest/gtest.h>

#include "fake_measurer.h"
#include "host/widget_layout.h"
#include "widget_test_support.h"

// Stack rules on small trees, measured by the fake (5 points per character
// in caption, lines 15 high). The medium family's content area is 332 by
// 138 points at (16, 16).
namespace plugscope {
namespace {

ViewNode caption(std::string content) {
  return text(TextContent::verbatim(std::move(content))).font(TextStyle::caption);
}

WidgetLayout layOutTree(ViewNode root) {
  static const test::FakeMeasurer measurer;
  return layoutWidget(root, WidgetFamily::medium, UntranslatedStrings(), test::englishTexts(),
                      measurer);
}

// The only child of a leading vStack with spacing 0 filling the widget.
const PlacedView& only(const WidgetLayout& layout) { return layout.root.children.at(0); }

// The child at the top left of the content area: a root as wide as the
// area (a zero-height row of a spacer) and as high (a spacer).
ViewNode inRoot(ViewNode child) {
  std::vector<ViewNode> children;
  children.push_back(std::move(child));
  children.push_back(spacer(0));
  std::vector<ViewNode> fullWidth;
  fullWidth.push_back(spacer(0));
  children.push_back(hStack(Alignment::center, 0, std::move(fullWidth)));
  return vStack(Alignment::leading, 0, std::move(children));
}

TEST(StackLayoutTest, SpacersShareTheFreeWidthButKeepTheirMinimum) {
  struct Case {
    const char* name;
    ViewNode first;
    double expectedDefault;  // spacer without minimum (8)
    double expectedThirty;   // spacer with minimum 30
  };
  // Gaps 3 × 10 = 30. "ab" and "abcd" leave 332 - 30 - 30 = 272 to share:
  // 136 each. A 300 point frame and "abcd" leave nothing: both keep their
  // minimum. A 250 point frame leaves 32: 30 for the larger minimum first,
  // then 8 for the other rather than the 2 left.
  const Case cases[] = {
      {"room to share", caption("ab"), 136, 136},
      {"no room", circle().frame(300, 8), 8, 30},
      {"less than the minimums", circle().frame(250, 8), 8, 30},
  };
  for (const auto& c : cases) {
    std::vector<ViewNode> children;
    children.push_back(c.first);
    children.push_back(spacer());
    children.push_back(caption("abcd"));
    children.push_back(spacer(30));
    const WidgetLayout layout = layOutTree(inRoot(hStack(Alignment::center, 10, std::move(children))));
    const PlacedView& stack = only(layout);
    EXPECT_DOUBLE_EQ(stack.children[1].frame.width, c.expectedDefault) << c.name;
    EXPECT_DOUBLE_EQ(stack.children[3].frame.width, c.expectedThirty) << c.name;
    EXPECT_DOUBLE_EQ(stack.children[2].frame.x, stack.children[1].frame.maxX() + 10) << c.name;
  }
}

TEST(StackLayoutTest, NarrowestChildrenAreServedFirst) {
  // 332 for two one-line texts with no spacing: "abc" takes 15, the long
  // text gets 317 and is cut to 62 characters and "…" (315 points).
  std::vector<ViewNode> children;
  children.push_back(caption(std::string(100, 'x')).lineLimit(1));
  children.push_back(caption("abc").lineLimit(1));
  const WidgetLayout layout = layOutTree(inRoot(hStack(Alignment::top, 0, std::move(children))));
  const PlacedView& stack = only(layout);
  EXPECT_EQ(stack.children[0].text, std::string(62, 'x') + "\u2026");
  EXPECT_DOUBLE_EQ(stack.children[0].frame.width, 315);
  EXPECT_EQ(stack.children[1].text, "abc");
  EXPECT_DOUBLE_EQ(stack.children[1].frame.x, 16 + 315);
}

TEST(StackLayoutTest, TextsWrapUpToTheirLineLimit) {
  // 100 characters are 500 points: two lines at 332; 300 are five.
  struct Row {
    const char* name;
    int characters;
    std::optional<int> lineLimit;
    Rect frame;
    bool truncated;
  };
  const Row rows[] = {
      {"no limit", 100, std::nullopt, {16, 16, 332, 30}, false},
      {"no limit, five lines", 300, std::nullopt, {16, 16, 332, 75}, false},
      {"one line, cut to 65 characters and \u2026", 300, 1, {16, 16, 330, 15}, true},
      {"two lines", 300, 2, {16, 16, 332, 30}, false},
      {"three lines", 300, 3, {16, 16, 332, 45}, false},
      {"a limit above what it needs", 300, 9, {16, 16, 332, 75}, false},
  };
  for (const Row& row : rows) {
    ViewNode node = caption(std::string(static_cast<std::size_t>(row.characters), 'x'));
    if (row.lineLimit) node = std::move(node).lineLimit(*row.lineLimit);
    const WidgetLayout layout = layOutTree(inRoot(std::move(node)));
    EXPECT_EQ(only(layout).frame, row.frame) << row.name;
    EXPECT_EQ(only(layout).truncated, row.truncated) << row.name;
    if (row.lineLimit != 1) {
      EXPECT_EQ(only(layout).wrapWidth, 332) << row.name;
    }
  }
}

TEST(StackLayoutTest, FramesFixTheSizeAndCentreTheirContent) {
  std::vector<ViewNode> children;
  children.push_back(caption("ab").frame(40, 30));
  children.push_back(circle().frame(8, 8));
  const WidgetLayout layout = layOutTree(inRoot(hStack(Alignment::top, 0, std::move(children))));
  const PlacedView& stack = only(layout);
  EXPECT_EQ(stack.children[0].frame, (Rect{16, 16, 40, 30}));
  EXPECT_EQ(stack.children[0].contentFrame, (Rect{31, 23.5, 10, 15}));
  EXPECT_EQ(stack.children[1].contentFrame, (Rect{56, 16, 8, 8}));
}

TEST(StackLayoutTest, PaddingAddsPerEdgeInTheOrderApplied) {
  // Padding, then a background: the background covers the padding.
  // Background, then padding: it covers the text only.
  std::vector<ViewNode> children;
  children.push_back(caption("ab")
                         .padding(Edges::leading, 3)
                         .padding(Edges::top, 4)
                         .background(capsule(CornerStyle::continuous)));
  children.push_back(caption("ab").background(capsule(CornerStyle::continuous)).padding(Edges::all, 2));
  const WidgetLayout layout = layOutTree(inRoot(vStack(Alignment::leading, 0, std::move(children))));
  const PlacedView& first = only(layout).children[0];
  const PlacedView& second = only(layout).children[1];
  EXPECT_EQ(first.frame, (Rect{16, 16, 13, 19}));
  EXPECT_EQ(first.contentFrame, (Rect{19, 20, 10, 15}));
  EXPECT_EQ(first.backgrounds.at(0).frame, first.frame);
  EXPECT_EQ(second.frame, (Rect{16, 35, 14, 19}));
  EXPECT_EQ(second.backgrounds.at(0).frame, (Rect{18, 37, 10, 15}));
}

TEST(StackLayoutTest, VerticalStacksAlignAcrossTheirWidestChild) {
  struct Case {
    Alignment alignment;
    double expectedX;
  };
  // Children 10 and 20 wide: the stack is 20 wide at x 16.
  for (const Case& c : {Case{Alignment::leading, 16}, Case{Alignment::center, 21},
                       Case{Alignment::trailing, 26}}) {
    std::vector<ViewNode> children;
    children.push_back(caption("ab"));
    children.push_back(caption("abcd"));
    const WidgetLayout layout = layOutTree(inRoot(vStack(c.alignment, 2, std::move(children))));
    EXPECT_DOUBLE_EQ(only(layout).children[0].frame.x, c.expectedX) << alignmentName(c.alignment);
    EXPECT_DOUBLE_EQ(only(layout).children[1].frame.y, 16 + 15 + 2);
  }
}

TEST(StackLayoutTest, StylesFlowInwardAndTheNearestModifierWins) {
  std::vector<ViewNode> children;
  children.push_back(text(TextContent::verbatim("a")));
  children.push_back(text(TextContent::verbatim("b")).font(TextStyle::caption).font(TextStyle::headline));
  children.push_back(circle().fill(ShapeStyle::green).opacity(0.5));
  const WidgetLayout layout = layOutTree(inRoot(vStack(Alignment::leading, 0, std::move(children))
                                                    .font(TextStyle::callout)
                                                    .foregroundStyle(ShapeStyle::tertiary)
                                                    .opacity(0.5)));
  const PlacedView& stack = only(layout);
  EXPECT_EQ(stack.children[0].font->size, 12);  // callout, from the stack
  EXPECT_EQ(stack.children[0].paint, (Paint{ShapeStyle::tertiary, 0.5}));
  EXPECT_EQ(stack.children[1].font->size, 10);  // caption, applied first
  EXPECT_EQ(stack.children[2].paint, (Paint{ShapeStyle::green, 0.25}));
}

TEST(StackLayoutTest, KeysAreLookedUpAndControlCharactersNeutralised) {
  class German final : public StringTable {
   public:
    std::string lookup(std::string_view key) const override {
      return key == "%lld W" ? "%lld\tWatt" : std::string(key);
    }
  };
  static const test::FakeMeasurer measurer;
  const ViewNode root = inRoot(text(TextContent::key("%lld W", 96)).lineLimit(1));
  const WidgetLayout layout =
      layoutWidget(root, WidgetFamily::small, German(), test::englishTexts(), measurer);
  EXPECT_EQ(only(layout).text, "96 Watt");
}

}  // namespace
}  // namespace plugscope
