#include "host/symbol_shapes.h"

namespace plugscope {
namespace {

SymbolPart roundedRect(double x, double y, double width, double height, double radius,
                       bool stroked, double lineWidth = 0) {
  SymbolPart part;
  part.kind = SymbolPart::Kind::roundedRect;
  part.x = x;
  part.y = y;
  part.width = width;
  part.height = height;
  part.radius = radius;
  part.stroked = stroked;
  part.lineWidth = lineWidth;
  return part;
}

SymbolShape makeCableConnector() {
  SymbolShape shape;
  shape.aspect = 0.7;
  shape.parts.push_back(roundedRect(0.19, 0.04, 0.32, 0.30, 0.07, true, 0.08));
  shape.parts.push_back(roundedRect(0.09, 0.38, 0.52, 0.34, 0.09, false));
  SymbolPart cable;
  cable.kind = SymbolPart::Kind::line;
  cable.points = {{0.35, 0.70}, {0.35, 0.96}};
  cable.stroked = true;
  cable.lineWidth = 0.12;
  shape.parts.push_back(cable);
  return shape;
}

SymbolShape makeBolt() {
  SymbolShape shape;
  shape.aspect = 0.64;
  SymbolPart bolt;
  bolt.kind = SymbolPart::Kind::polygon;
  bolt.points = {{0.36, 0.0}, {0.04, 0.58}, {0.28, 0.58}, {0.20, 1.0},
                 {0.60, 0.38}, {0.36, 0.38}, {0.56, 0.0}};
  shape.parts.push_back(bolt);
  return shape;
}

SymbolShape makeUnknown() {
  SymbolShape shape;
  SymbolPart ring;
  ring.kind = SymbolPart::Kind::circle;
  ring.x = 0.5;
  ring.y = 0.5;
  ring.radius = 0.4;
  ring.stroked = true;
  ring.lineWidth = 0.1;
  shape.parts.push_back(ring);
  return shape;
}

}  // namespace

const SymbolShape& symbolShape(std::string_view name) {
  static const SymbolShape cable = makeCableConnector();
  static const SymbolShape bolt = makeBolt();
  static const SymbolShape unknown = makeUnknown();
  if (name == "cable.connector") return cable;
  if (name == "bolt.fill") return bolt;
  return unknown;
}

}  // namespace plugscope
