#pragma once

#include "host/widget_renderer.h"

namespace plugscope {

// The widget as a rounded box of character cells in the proportions of
// its family, holding the same layout as a picture (widget_layout.h) made
// in cells: every length of the view tree becomes the nearest whole number
// of columns (8 points) or rows (16 points), and every text line is a row.
// Content taller than the box is cut off at its bottom, as a host does.
//
// With `colours`, ANSI escape codes draw bold headlines and titles, dimmed
// secondary texts, a green or dimmed status dot and the speed badge on a
// grey capsule. Without, the output is plain UTF-8 text: the dot is "●"
// when lit and "○" when dimmed, and a capsule is drawn as parentheses.
class TerminalRenderer final : public WidgetRenderer {
 public:
  explicit TerminalRenderer(bool colours) : colours_(colours) {}

  void render(const ViewNode& root, WidgetFamily family, const StringTable& strings,
              const WidgetTexts& texts, std::ostream& out) const override;

 private:
  bool colours_;
};

// The box's outer size in character cells, borders included.
struct TerminalBoxSize {
  int columns = 0;
  int rows = 0;
};
TerminalBoxSize terminalBoxSize(WidgetFamily family);

// What a terminal shows for a system symbol.
const char* symbolGlyph(std::string_view symbol);

}  // namespace plugscope
