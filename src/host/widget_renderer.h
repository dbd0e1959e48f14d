#pragma once

#include <ostream>

#include "widget_api/string_table.h"
#include "widget_api/view_node.h"
#include "widget_api/widget_family.h"

namespace plugscope {

// Draws a widget's view tree: as text for a terminal, as a tree listing,
// as an image. Texts that are keys are resolved through `strings`.
// Renderers keep no state between calls.
class WidgetRenderer {
 public:
  virtual ~WidgetRenderer() = default;
  virtual void render(const ViewNode& root, WidgetFamily family, const StringTable& strings,
                      std::ostream& out) const = 0;
};

}  // namespace plugscope
