#pragma once

#include <optional>
#include <string_view>

#include "widget_api/view_node.h"

namespace plugscope {

// A concrete font: what a semantic text style, a weight and the digit
// setting come to.
struct FontSpec {
  double size = 13;  // points
  FontWeight weight = FontWeight::regular;
  bool monospacedDigits = false;
  friend bool operator==(const FontSpec&, const FontSpec&) = default;
};

// Width and height of a set text, in points.
struct TextExtent {
  double width = 0;
  double height = 0;
  friend bool operator==(const TextExtent&, const TextExtent&) = default;
};

// Measures text as it will be drawn, so that layout needs no drawing
// library. Without `wrapWidth` the text is one line; with it, lines break
// (between words where possible) to stay within that width. The height is
// the number of lines times the font's line height, so an empty text is
// one line high. `text` is valid UTF-8 without control characters.
class TextMeasurer {
 public:
  virtual ~TextMeasurer() = default;
  virtual TextExtent measure(std::string_view text, const FontSpec& font,
                             std::optional<double> wrapWidth) const = 0;
};

}  // namespace plugscope
