#pragma once

#include <cairo.h>

#include <memory>

#include "host/png/palette.h"
#include "host/png/pango_text.h"
#include "host/widget_layout.h"
#include "host/widget_metrics.h"
#include "host/widget_renderer.h"

namespace plugscope {

// Owns a Cairo surface or context.
struct CairoSurfaceDestroy {
  void operator()(cairo_surface_t* surface) const { cairo_surface_destroy(surface); }
};
using CairoSurface = std::unique_ptr<cairo_surface_t, CairoSurfaceDestroy>;

// Paints a laid-out widget into `cairo`'s user space, one unit a point:
// the container with rounded corners on the host's plate, the container
// background, and the tree on top, clipped to the container. Symbols are
// our own drawings (symbol_shapes.h); capsules are drawn with circular
// ends. Leaves the context's state as it found it.
void paintWidget(cairo_t* cairo, const WidgetLayout& layout, const PangoText& text,
                 Appearance appearance);

// Draws a widget as a desktop shows it, as a PNG picture at `scale`
// pixels per point (twice the widget's size by default).
class PngRenderer final : public WidgetRenderer {
 public:
  // `text` must outlive the renderer.
  PngRenderer(const PangoText& text, Appearance appearance, double scale = kRenderScale)
      : text_(text), appearance_(appearance), scale_(scale) {}

  // Writes the PNG's bytes to `out`. When Cairo fails, writes nothing and
  // sets `out`'s failbit.
  void render(const ViewNode& root, WidgetFamily family, const StringTable& strings,
              const WidgetTexts& texts, std::ostream& out) const override;

  // The picture of a laid-out widget; null when Cairo fails.
  CairoSurface draw(const WidgetLayout& layout) const;

 private:
  const PangoText& text_;
  Appearance appearance_;
  double scale_;
};

}  // namespace plugscope
