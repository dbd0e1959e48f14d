#include "host/png/png_encoding.h"

#include <png.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

namespace plugscope {
namespace {

// One row of Cairo's pixels (native-endian words, alpha premultiplied) as
// PNG has it: R, G, B, A with straight alpha.
void pngRow(const unsigned char* in, int width, unsigned char* out) {
  for (int x = 0; x < width; ++x) {
    std::uint32_t pixel = 0;
    std::memcpy(&pixel, in + 4 * x, 4);
    const unsigned alpha = pixel >> 24;
    const unsigned channels[3] = {(pixel >> 16) & 0xff, (pixel >> 8) & 0xff, pixel & 0xff};
    for (int c = 0; c < 3; ++c) {
      unsigned value = channels[c];
      // Most of a widget is opaque: nothing to undo there.
      if (alpha != 255) value = alpha == 0 ? 0 : std::min(255u, (value * 255 + alpha / 2) / alpha);
      out[4 * x + c] = static_cast<unsigned char>(value);
    }
    out[4 * x + 3] = static_cast<unsigned char>(alpha);
  }
}

void appendToString(png_structp png, png_bytep data, png_size_t length) {
  static_cast<std::string*>(png_get_io_ptr(png))->append(reinterpret_cast<const char*>(data), length);
}

void flushNothing(png_structp) {}

}  // namespace

std::optional<std::string> encodePng(cairo_surface_t* surface) {
  if (!surface || cairo_surface_get_type(surface) != CAIRO_SURFACE_TYPE_IMAGE ||
      cairo_image_surface_get_format(surface) != CAIRO_FORMAT_ARGB32) {
    return std::nullopt;
  }
  cairo_surface_flush(surface);
  const int width = cairo_image_surface_get_width(surface);
  const int height = cairo_image_surface_get_height(surface);
  const int stride = cairo_image_surface_get_stride(surface);
  const unsigned char* data = cairo_image_surface_get_data(surface);
  if (!data || width <= 0 || height <= 0) return std::nullopt;

  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  if (!png) return std::nullopt;
  png_infop info = png_create_info_struct(png);
  std::string out;
  std::vector<unsigned char> row(static_cast<std::size_t>(width) * 4);
  // libpng reports errors by longjmp; nothing with a destructor is created
  // between here and the writes below.
  if (!info || setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    return std::nullopt;
  }
  png_set_write_fn(png, &out, appendToString, flushNothing);
  // Speed over size: a widget's large flat areas compress well even so,
  // in a fraction of the default settings' time.
  png_set_compression_level(png, 1);
  png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_NONE);
  png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
               PNG_COLOR_TYPE_RGB_ALPHA, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  for (int y = 0; y < height; ++y) {
    pngRow(data + static_cast<std::ptrdiff_t>(y) * stride, width, row.data());
    png_write_row(png, row.data());
  }
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return out;
}

}  // namespace plugscope
