#include "host/png/png_renderer.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <ostream>
#include <string>

#include "host/png/png_encoding.h"
#include "host/png/symbol_drawing.h"
#include "host/symbol_shapes.h"
#include "host/widget_metrics.h"

namespace plugscope {
namespace {

struct CairoDestroy {
  void operator()(cairo_t* cairo) const { cairo_destroy(cairo); }
};

void setColour(cairo_t* cairo, const Colour& colour, double opacity = 1) {
  cairo_set_source_rgba(cairo, colour.red, colour.green, colour.blue, colour.alpha * opacity);
}

void roundedRectangle(cairo_t* cairo, double x, double y, double width, double height,
                      double radius) {
  radius = std::clamp(radius, 0.0, std::min(width, height) / 2);
  constexpr double kQuarter = std::numbers::pi / 2;
  cairo_new_sub_path(cairo);
  cairo_arc(cairo, x + width - radius, y + radius, radius, -kQuarter, 0);
  cairo_arc(cairo, x + width - radius, y + height - radius, radius, 0, kQuarter);
  cairo_arc(cairo, x + radius, y + height - radius, radius, kQuarter, 2 * kQuarter);
  cairo_arc(cairo, x + radius, y + radius, radius, 2 * kQuarter, 3 * kQuarter);
  cairo_close_path(cairo);
}

}  // namespace

void drawSymbol(cairo_t* cairo, std::string_view name, const Rect& frame) {
  const SymbolShape& shape = symbolShape(name);
  const double unit = frame.height;
  cairo_save(cairo);
  cairo_translate(cairo, frame.x + (frame.width - shape.aspect * unit) / 2, frame.y);
  cairo_scale(cairo, unit, unit);
  cairo_set_line_cap(cairo, CAIRO_LINE_CAP_ROUND);
  cairo_set_line_join(cairo, CAIRO_LINE_JOIN_ROUND);
  cairo_set_fill_rule(cairo, CAIRO_FILL_RULE_EVEN_ODD);
  for (const SymbolPart& part : shape.parts) {
    cairo_new_path(cairo);
    switch (part.kind) {
      case SymbolPart::Kind::polygon:
      case SymbolPart::Kind::line:
        for (std::size_t i = 0; i < part.points.size(); ++i) {
          const auto& point = part.points[i];
          if (i == 0) {
            cairo_move_to(cairo, point.x, point.y);
          } else {
            cairo_line_to(cairo, point.x, point.y);
          }
        }
        if (part.kind == SymbolPart::Kind::polygon) cairo_close_path(cairo);
        break;
      case SymbolPart::Kind::roundedRect:
        roundedRectangle(cairo, part.x, part.y, part.width, part.height, part.radius);
        break;
      case SymbolPart::Kind::circle:
        cairo_arc(cairo, part.x, part.y, part.radius, 0, 2 * std::numbers::pi);
        break;
    }
    if (part.stroked) {
      cairo_set_line_width(cairo, part.lineWidth);
      cairo_stroke(cairo);
    } else {
      cairo_fill(cairo);
    }
  }
  cairo_restore(cairo);
}

namespace {

class Painter {
 public:
  Painter(cairo_t* cairo, const PangoText& text, Appearance appearance)
      : cairo_(cairo), text_(text), appearance_(appearance) {}

  void draw(const PlacedView& view) const {
    for (const auto& background : view.backgrounds) draw(background);
    const Rect& r = view.contentFrame;
    setColour(cairo_, colourOf(view.paint.style, appearance_), view.paint.opacity);
    switch (view.kind) {
      case ViewKind::text:
        if (view.font) text_.draw(cairo_, view.text, *view.font, view.wrapWidth, r.x, r.y);
        break;
      case ViewKind::label:
        drawSymbol(cairo_, view.symbol, view.symbolFrame);
        if (view.font) {
          text_.draw(cairo_, view.text, *view.font, view.wrapWidth, view.textFrame.x,
                     view.textFrame.y);
        }
        break;
      case ViewKind::image: drawSymbol(cairo_, view.symbol, view.symbolFrame); break;
      case ViewKind::circle: {
        const double radius = std::min(r.width, r.height) / 2;
        cairo_new_path(cairo_);
        cairo_arc(cairo_, r.x + r.width / 2, r.y + r.height / 2, radius, 0, 2 * std::numbers::pi);
        cairo_fill(cairo_);
        break;
      }
      case ViewKind::capsule:
        cairo_new_path(cairo_);
        roundedRectangle(cairo_, r.x, r.y, r.width, r.height, std::min(r.width, r.height) / 2);
        cairo_fill(cairo_);
        break;
      case ViewKind::spacer: break;
      case ViewKind::vStack:
      case ViewKind::hStack:
        for (const auto& child : view.children) draw(child);
        break;
    }
  }

 private:
  cairo_t* cairo_;
  const PangoText& text_;
  Appearance appearance_;
};

}  // namespace

void paintWidget(cairo_t* cairo, const WidgetLayout& layout, const PangoText& text,
                 Appearance appearance) {
  cairo_save(cairo);
  const Rect& b = layout.bounds;
  roundedRectangle(cairo, b.x, b.y, b.width, b.height, kContainerCornerRadius);
  cairo_clip(cairo);
  setColour(cairo, widgetPlate(appearance));
  cairo_paint(cairo);
  if (layout.containerBackground) {
    setColour(cairo, colourOf(*layout.containerBackground, appearance));
    cairo_paint(cairo);
  }
  Painter(cairo, text, appearance).draw(layout.root);
  cairo_restore(cairo);
}

CairoSurface PngRenderer::draw(const WidgetLayout& layout) const {
  const int width = static_cast<int>(std::lround(layout.bounds.width * scale_));
  const int height = static_cast<int>(std::lround(layout.bounds.height * scale_));
  CairoSurface surface(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height));
  if (cairo_surface_status(surface.get()) != CAIRO_STATUS_SUCCESS) return nullptr;
  const std::unique_ptr<cairo_t, CairoDestroy> cairo(cairo_create(surface.get()));
  cairo_scale(cairo.get(), scale_, scale_);
  paintWidget(cairo.get(), layout, text_, appearance_);

  if (cairo_status(cairo.get()) != CAIRO_STATUS_SUCCESS) return nullptr;
  cairo_surface_flush(surface.get());
  return surface;
}

void PngRenderer::render(const ViewNode& root, WidgetFamily family, const StringTable& strings,
                         const WidgetTexts& texts, std::ostream& out) const {
  const CairoSurface surface = draw(layoutWidget(root, family, strings, texts, text_));
  const std::optional<std::string> bytes = encodePng(surface.get());
  if (!bytes) {
    out.setstate(std::ios::failbit);
    return;
  }
  out.write(bytes->data(), static_cast<std::streamsize>(bytes->size()));
}

}  // namespace plugscope
