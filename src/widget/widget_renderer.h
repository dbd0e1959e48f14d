#pragma once

#include <ostream>

#include "widget/string_table.h"
#include "widget/view_node.h"
#include "widget/widget_family.h"

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
