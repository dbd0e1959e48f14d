#pragma once

#include <ostream>

#include "widget_api/string_table.h"
#include "widget_api/view_node.h"
#include "widget_api/widget_family.h"
#include "widget_api/widget_texts.h"

namespace plugscope {

// Draws a widget's view tree: as text for a terminal, as a tree listing,
// as an image. Texts that are keys are resolved through `strings`; what a
// renderer adds of its own (the line in place of rows that do not fit,
// widget_layout.h) is in the widget's words, `texts`. Renderers keep no
// state between calls.
class WidgetRenderer {
 public:
  virtual ~WidgetRenderer() = default;
  virtual void render(const ViewNode& root, WidgetFamily family, const StringTable& strings,
                      const WidgetTexts& texts, std::ostream& out) const = 0;
};

}  // namespace plugscope
