#pragma once

#include <cairo.h>

#include <string>

#include "host/png/palette.h"
#include "host/png/pango_text.h"
#include "host/widget_layout.h"
#include "widget_api/cable_entry.h"
#include "widget_api/widget_extension.h"

namespace plugscope {

// What the widget window shows for one entry: the widget laid out as the
// PNG renderer lays it out (rows that do not fit whole left out), and for
// screen readers the texts of every row.
struct WindowContent {
  WidgetLayout layout;
  std::string description;
};

WindowContent makeWindowContent(const Widget& widget, const CableEntry& entry, WidgetFamily family,
                                const PangoText& text);

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
// the window's background, then the widget at the origin.
void paintWindowContent(cairo_t* cairo, const WidgetLayout& layout, const PangoText& text,
                        Appearance appearance);

}  // namespace plugscope
