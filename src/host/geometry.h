#pragma once

namespace plugscope {

// Points, origin at the widget's top left corner, y growing downwards.
struct Size {
  double width = 0;
  double height = 0;
  friend bool operator==(const Size&, const Size&) = default;
};

struct Rect {
  double x = 0;
  double y = 0;
  double width = 0;
  double height = 0;

  double maxX() const { return x + width; }
  double maxY() const { return y + height; }
  friend bool operator==(const Rect&, const Rect&) = default;
};

}  // namespace plugscope
