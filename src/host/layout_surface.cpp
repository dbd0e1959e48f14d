#include "host/layout_surface.h"

#include "host/symbol_shapes.h"
#include "host/widget_metrics.h"

namespace plugscope {

Size PointSurface::widgetSize(WidgetFamily family) const { return plugscope::widgetSize(family); }

double PointSurface::contentMargin() const { return kContentMargin; }

Size PointSurface::symbolSize(std::string_view symbol, const FontSpec& font) const {
  return {symbolShape(symbol).aspect * font.size, font.size};
}

double PointSurface::labelSpacing(const FontSpec& font) const {
  return kLabelSpacingPerPoint * font.size;
}

}  // namespace plugscope
