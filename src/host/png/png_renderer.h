#pragma once

#include <cairo.h>

#include <memory>

#include "host/png/palette.h"
#include "host/png/pango_text.h"
#include "host/widget_layout.h"
#include "host/widget_renderer.h"

namespace plugscope {

// Owns a Cairo surface or context.
struct CairoSurfaceDestroy {
  void operator()(cairo_surface_t* surface) const { cairo_surface_destroy(surface); }
};
using CairoSurface = std::unique_ptr<cairo_surface_t, CairoSurfaceDestroy>;

// Draws a widget as a desktop shows it, as a PNG picture at twice the
// widget's size in points: the container with rounded corners on the
// host's plate, the container background, and the laid-out tree on top,
// clipped to the container. Symbols are our own drawings
// (symbol_shapes.h); capsules are drawn with circular ends.
class PngRenderer final : public WidgetRenderer {
 public:
  // `text` must outlive the renderer.
  PngRenderer(const PangoText& text, Appearance appearance) : text_(text), appearance_(appearance) {}

  // Writes the PNG's bytes to `out`. When Cairo fails, writes nothing and
  // sets `out`'s failbit.
  void render(const ViewNode& root, WidgetFamily family, const StringTable& strings,
              std::ostream& out) const override;

  // The picture of a laid-out widget; null when Cairo fails.
  CairoSurface draw(const WidgetLayout& layout) const;

 private:
  const PangoText& text_;
  Appearance appearance_;
};

}  // namespace plugscope
