#include "desktop/panel_icon.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <numbers>

#include "host/png/png_renderer.h"
#include "host/png/symbol_drawing.h"

namespace plugscope {
namespace {

// The picture on a 48-unit square, as in the SVG icon.
constexpr double kCanvas = 48;
constexpr double kCornerRadius = 10;
constexpr double kSymbolTop = 8;
constexpr double kSymbolHeight = 32;

struct CairoDestroy {
  void operator()(cairo_t* cairo) const { cairo_destroy(cairo); }
};

std::uint8_t unpremultiply(std::uint8_t channel, std::uint8_t alpha) {
  if (alpha == 0) return 0;
  return static_cast<std::uint8_t>(std::min(255, (channel * 255 + alpha / 2) / alpha));
}

}  // namespace

IconPixmap drawPanelIcon(int size) {
  IconPixmap pixmap;
  const CairoSurface surface(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, size, size));
  if (cairo_surface_status(surface.get()) != CAIRO_STATUS_SUCCESS) return pixmap;
  {
    const std::unique_ptr<cairo_t, CairoDestroy> owned(cairo_create(surface.get()));
    cairo_t* cairo = owned.get();
    cairo_scale(cairo, size / kCanvas, size / kCanvas);
    constexpr double kQuarter = std::numbers::pi / 2;
    constexpr double r = kCornerRadius;
    cairo_new_sub_path(cairo);
    cairo_arc(cairo, kCanvas - r, r, r, -kQuarter, 0);
    cairo_arc(cairo, kCanvas - r, kCanvas - r, r, 0, kQuarter);
    cairo_arc(cairo, r, kCanvas - r, r, kQuarter, 2 * kQuarter);
    cairo_arc(cairo, r, r, r, 2 * kQuarter, 3 * kQuarter);
    cairo_close_path(cairo);
    cairo_set_source_rgb(cairo, 0x2b / 255.0, 0x6d / 255.0, 0xe0 / 255.0);
    cairo_fill(cairo);
    cairo_set_source_rgb(cairo, 1, 1, 1);
    drawSymbol(cairo, "cable.connector", {0, kSymbolTop, kCanvas, kSymbolHeight});
    if (cairo_status(cairo) != CAIRO_STATUS_SUCCESS) return pixmap;
  }
  cairo_surface_flush(surface.get());

  // Cairo keeps premultiplied pixels as native-endian 32-bit words.
  const unsigned char* data = cairo_image_surface_get_data(surface.get());
  const int stride = cairo_image_surface_get_stride(surface.get());
  pixmap.width = size;
  pixmap.height = size;
  pixmap.argb.reserve(static_cast<std::size_t>(size) * size * 4);
  for (int y = 0; y < size; ++y) {
    for (int x = 0; x < size; ++x) {
      std::uint32_t word;
      std::memcpy(&word, data + y * stride + x * 4, sizeof word);
      const auto a = static_cast<std::uint8_t>(word >> 24);
      pixmap.argb.push_back(a);
      pixmap.argb.push_back(unpremultiply(static_cast<std::uint8_t>(word >> 16), a));
      pixmap.argb.push_back(unpremultiply(static_cast<std::uint8_t>(word >> 8), a));
      pixmap.argb.push_back(unpremultiply(static_cast<std::uint8_t>(word), a));
    }
  }
  return pixmap;
}

}  // namespace plugscope
