#pragma once

#include <cairo.h>

#include <string>
#include <vector>

#include "host/png/palette.h"
#include "host/png/pango_text.h"
#include "host/widget_layout.h"
#include "shared/advice.h"
#include "widget_api/cable_entry.h"
#include "widget_api/widget_extension.h"

namespace plugscope {

// The strip below the widget's drawing that says the hints about its
// ports, outside the widget's own tree: one paragraph per hint the widget
// has a sentence for ("USB-C N: " and the sentence), in caption type and
// the secondary colour, wrapped to the widget's width less the margins.
struct HintStrip {
  struct Paragraph {
    std::string text;
    Rect frame;  // from the strip's top left corner
  };
  std::vector<Paragraph> paragraphs;
  double height = 0;  // 0 without paragraphs
};

// The margins around the strip's paragraphs and the space between them, in
// points.
inline constexpr double kHintStripMargin = 12;
inline constexpr double kHintStripSpacing = 6;

HintStrip layoutHintStrip(const Widget& widget, const std::vector<AdviceEntry>& hints,
                          double width, const TextMeasurer& text);

// What the widget window shows for one entry: the widget laid out as the
// PNG renderer lays it out (rows that do not fit whole left out), the
// strip of hints below it, and for screen readers the texts of every row
// and hint.
struct WindowContent {
  WidgetLayout layout;
  HintStrip strip;
  std::string description;
  // The whole window's size in points: the widget over the strip.
  double width() const { return layout.bounds.width; }
  double height() const { return layout.bounds.height + strip.height; }
};

WindowContent makeWindowContent(const Widget& widget, const CableEntry& entry, WidgetFamily family,
                                const PangoText& text,
                                const std::vector<AdviceEntry>& hints = {});

// The family the window shows `entry` in when the user has chosen none:
// the smallest of the widget's supported families (by area) in which every
// row fits whole; the largest when none does. `family` when the widget
// supports none.
WidgetFamily fittingFamily(const Widget& widget, const CableEntry& entry, const PangoText& text,
                           WidgetFamily family);

// The texts of a widget's view tree as a screen reader should hear them:
// one line per child of the root (the header, the message, each port's
// row), its texts in order joined with ", ". Keys are looked up in
// `strings`; spacers and shapes say nothing.
std::string accessibleDescription(const ViewNode& root, const StringTable& strings);

// The window's colour around the widget's rounded corners.
Colour windowBackground(Appearance appearance);

// One redraw of the window, in `cairo`'s user space at one unit a point:
// the window's background, the widget at the origin, the strip below it.
void paintWindowContent(cairo_t* cairo, const WindowContent& content, const PangoText& text,
                        Appearance appearance);

}  // namespace plugscope
