#pragma once

#include <cmath>

#include "host/text_measurer.h"

namespace plugscope::test {

// Every code point is half the font size wide and a line is 1.5 times the
// font size high, so expected geometry can be worked out by hand. Wrapped
// text takes as many full-width lines as its one-line width needs.
// Records how often it was asked.
class FakeMeasurer final : public TextMeasurer {
 public:
  TextExtent measure(std::string_view text, const FontSpec& font,
                     std::optional<double> wrapWidth) const override {
    ++calls;
    double points = 0;
    for (unsigned char byte : text) {
      if ((byte & 0xc0) != 0x80) ++points;
    }
    const double width = points * font.size / 2;
    const double line = font.size * 1.5;
    if (!wrapWidth || width <= *wrapWidth || *wrapWidth <= 0) return {width, line};
    return {*wrapWidth, std::ceil(width / *wrapWidth) * line};
  }
  mutable int calls = 0;
};

}  // namespace plugscope::test
