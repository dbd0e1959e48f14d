#pragma once

#include <cairo.h>

#include <string_view>

#include "host/geometry.h"

namespace plugscope {

// Draws the symbol `name` (symbol_shapes.h) in the current source colour,
// scaled to the frame's height and centred across its width.
void drawSymbol(cairo_t* cairo, std::string_view name, const Rect& frame);

}  // namespace plugscope
