#pragma once

#include <optional>
#include <string_view>

#include "widget_api/view_node.h"

namespace plugscope {

enum class Appearance { light, dark };

// "light", "dark"; none for any other text.
std::optional<Appearance> parseAppearance(std::string_view name);

// Components from 0 to 1, not premultiplied.
struct Colour {
  double red = 0;
  double green = 0;
  double blue = 0;
  double alpha = 1;
  friend bool operator==(const Colour&, const Colour&) = default;
};

// The desktop's colours in each appearance. The foreground levels are the
// foreground colour (black in light, white in dark) at falling opacities:
//
//               light  dark
//   primary     0.85   0.85
//   secondary   0.50   0.55
//   tertiary    0.26   0.25
//   quaternary  0.10   0.10
//
// green is the system green (40,205,65 light; 50,215,75 dark), and the
// tertiary fill a grey (118,118,128) at 0.12 light and 0.24 dark.
Colour colourOf(ShapeStyle style, Appearance appearance);

// What the host draws under the widget's container background.
Colour widgetPlate(Appearance appearance);

}  // namespace plugscope
