#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "host/geometry.h"
#include "host/layout_surface.h"
#include "host/text_measurer.h"
#include "widget_api/string_table.h"
#include "widget_api/view_node.h"
#include "widget_api/widget_family.h"
#include "widget_api/widget_texts.h"

namespace plugscope {

// What a placed view is painted with: a colour level, and the product of
// the opacities applied to it and its ancestors.
struct Paint {
  ShapeStyle style = ShapeStyle::primary;
  double opacity = 1;
  friend bool operator==(const Paint&, const Paint&) = default;
};

// One node of the view tree with its place in the widget. The tree has
// the shape of the view tree it was made from.
struct PlacedView {
  ViewKind kind = ViewKind::vStack;
  std::string identity;
  Rect frame;         // the node with all its modifiers, as its parent placed it
  Rect contentFrame;  // the node itself, inside its padding and frames
  // Texts and labels: the text as shown (looked up, made printable and
  // perhaps cut), in `font`, broken into lines at `wrapWidth` when set.
  std::string text;
  bool truncated = false;
  std::optional<double> wrapWidth;
  std::optional<FontSpec> font;  // texts, labels and images
  std::string symbol;            // images and labels
  Rect symbolFrame;              // labels: where the symbol and the text go
  Rect textFrame;
  Paint paint;                            // texts, symbols and shapes
  std::vector<PlacedView> backgrounds;    // drawn first, outermost first
  std::vector<PlacedView> children;       // stacks
};

struct WidgetLayout {
  Rect bounds;    // the whole widget, at the origin
  Rect contentArea;  // bounds less the host's content margins
  std::optional<ShapeStyle> containerBackground;
  PlacedView root;
  // Rows of the root's list left out because they did not fit whole.
  std::uint64_t rowsNotShown = 0;
};

// Lays out `root` as the host shows a widget of `family` on `surface`, the
// way a declarative stack layout does (lengths below are points, which the
// surface turns into its own units):
//  - a stack offers its children its width (horizontal stacks: what is
//    left, the narrowest child first) and places them with its spacing
//    (8 points when the node gives none) and alignment;
//  - flexible spacers share the free length equally, none shorter than
//    its minimum (8 points when the node gives none);
//  - frames fix a size and centre their content; padding adds per edge;
//  - texts are their font's line height high; one-line texts are cut
//    with "…" at the width offered, others wrap;
//  - vertical stacks never squeeze their children: content taller than
//    the widget runs past its bottom edge, where the renderer clips it.
// The root sits in the content area, centred, but never above its top.
// Texts are resolved through `strings`.
//
// No row is ever cut in half: when the root is a vertical stack whose list
// of rows (its children with an identity) does not fit in the content area,
// the rows that do not end inside it are left out, and in place of the
// first of them goes one line, texts.rowsNotShown(count), in caption type
// and secondary colour; if that line does not fit either, one more row
// goes, and so on (the line stays even with no rows left).
WidgetLayout layoutWidget(const ViewNode& root, WidgetFamily family, const StringTable& strings,
                          const WidgetTexts& texts, const LayoutSurface& surface);

// The same in points, with texts measured by `measurer`: what pictures use.
WidgetLayout layoutWidget(const ViewNode& root, WidgetFamily family, const StringTable& strings,
                          const WidgetTexts& texts, const TextMeasurer& measurer);

}  // namespace plugscope
