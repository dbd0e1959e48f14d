#include "host/png/palette.h"

namespace plugscope {
namespace {

Colour fromBytes(int red, int green, int blue, double alpha) {
  return {red / 255.0, green / 255.0, blue / 255.0, alpha};
}

}  // namespace

std::optional<Appearance> parseAppearance(std::string_view name) {
  if (name == "light") return Appearance::light;
  if (name == "dark") return Appearance::dark;
  return std::nullopt;
}

Colour colourOf(ShapeStyle style, Appearance appearance) {
  const bool dark = appearance == Appearance::dark;
  const double ink = dark ? 1.0 : 0.0;
  switch (style) {
    case ShapeStyle::primary: return {ink, ink, ink, 0.85};
    case ShapeStyle::secondary: return {ink, ink, ink, dark ? 0.55 : 0.50};
    case ShapeStyle::tertiary: return {ink, ink, ink, dark ? 0.25 : 0.26};
    case ShapeStyle::quaternary: return {ink, ink, ink, 0.10};
    case ShapeStyle::green: return dark ? fromBytes(50, 215, 75, 1) : fromBytes(40, 205, 65, 1);
    case ShapeStyle::fillTertiary: return fromBytes(118, 118, 128, dark ? 0.24 : 0.12);
  }
  return {ink, ink, ink, 0.85};
}

Colour widgetPlate(Appearance appearance) {
  return appearance == Appearance::dark ? fromBytes(30, 30, 30, 1) : fromBytes(255, 255, 255, 1);
}

}  // namespace plugscope
