#pragma once

#include <cairo.h>

#include <optional>
#include <string>

namespace plugscope {

// The bytes of a PNG file holding `surface`, an ARGB32 image surface, with
// its alpha no longer premultiplied: 8 bits per channel, one IDAT chunk,
// compressed for speed rather than size. None when `surface` is not such a
// surface or compression fails.
std::optional<std::string> encodePng(cairo_surface_t* surface);

}  // namespace plugscope
