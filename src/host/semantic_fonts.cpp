#include "host/semantic_fonts.h"

namespace plugscope {

FontSpec fontFor(TextStyle style, std::optional<FontWeight> weight, bool monospacedDigits) {
  FontSpec font;
  font.monospacedDigits = monospacedDigits;
  switch (style) {
    case TextStyle::headline:
      font.size = 13;
      font.weight = FontWeight::semibold;
      break;
    case TextStyle::body: font.size = 13; break;
    case TextStyle::callout: font.size = 12; break;
    case TextStyle::subheadline: font.size = 11; break;
    case TextStyle::caption: font.size = 10; break;
    case TextStyle::caption2: font.size = 10; break;
  }
  if (weight) font.weight = *weight;
  return font;
}

}  // namespace plugscope
