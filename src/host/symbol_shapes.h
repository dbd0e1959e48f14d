#pragma once

#include <string_view>
#include <vector>

namespace plugscope {

// The system symbols the widget names, as small vector drawings of our
// own. A symbol is drawn in a box one unit high and `aspect` units wide,
// from parts that are filled (even-odd) or stroked with round caps.
//
//   "cable.connector": a USB-C plug seen from the side: the metal tip as
//     an outlined rounded rectangle, the moulded grip below it, and the
//     cable leaving downwards.
//   "bolt.fill": a filled lightning bolt.
//   anything else: an outlined circle, so that a missing drawing shows.
struct PathPoint {
  double x = 0;
  double y = 0;
};

struct SymbolPart {
  enum class Kind { polygon, roundedRect, line, circle };
  Kind kind = Kind::polygon;
  std::vector<PathPoint> points;  // polygon: corners; line: two ends; others: unused
  double x = 0, y = 0, width = 0, height = 0, radius = 0;  // roundedRect, circle
  bool stroked = false;
  double lineWidth = 0;
};

struct SymbolShape {
  double aspect = 1;  // width of the box per unit of height
  std::vector<SymbolPart> parts;
};

const SymbolShape& symbolShape(std::string_view name);

}  // namespace plugscope
