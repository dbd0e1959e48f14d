#pragma once

#include <string>
#include <string_view>

#include "host/widget_renderer.h"

namespace plugscope {

// The view tree as text, one node per line, indented two spaces per level:
// the node's kind; for texts and labels the resolved text, for images and
// labels the symbol name, each as a JSON string literal; the node's own
// settings (alignment, spacing, minLength, style, id); then its modifiers
// as name=value words in the order applied. A background's view follows
// its node's line one level deeper, before the node's children.
class TreeRenderer final : public WidgetRenderer {
 public:
  // The tree as the widget gave it: nothing is left out.
  void render(const ViewNode& root, WidgetFamily family, const StringTable& strings,
              const WidgetTexts& texts, std::ostream& out) const override;
};

// A JSON string literal that escapes only what must be: quotation mark,
// backslash, and control characters (C0, DEL and C1, so that no escape
// sequence reaches a terminal); invalid UTF-8 becomes U+FFFD.
std::string jsonStringLiteral(std::string_view text);

}  // namespace plugscope
