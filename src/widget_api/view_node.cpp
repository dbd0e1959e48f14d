#include "widget_api/view_node.h"

namespace plugscope {

ViewNode vStack(Alignment alignment, std::optional<double> spacing,
                std::vector<ViewNode> children) {
  ViewNode node;
  node.kind = ViewKind::vStack;
  node.alignment = alignment;
  node.spacing = spacing;
  node.children = std::move(children);
  return node;
}

ViewNode hStack(Alignment alignment, std::optional<double> spacing,
                std::vector<ViewNode> children) {
  ViewNode node = vStack(alignment, spacing, std::move(children));
  node.kind = ViewKind::hStack;
  return node;
}

ViewNode spacer(std::optional<double> minLength) {
  ViewNode node;
  node.kind = ViewKind::spacer;
  node.minLength = minLength;
  return node;
}

ViewNode text(TextContent content) {
  ViewNode node;
  node.kind = ViewKind::text;
  node.text = std::move(content);
  return node;
}

ViewNode image(std::string symbol) {
  ViewNode node;
  node.kind = ViewKind::image;
  node.symbol = std::move(symbol);
  return node;
}

ViewNode label(TextContent content, std::string symbol) {
  ViewNode node;
  node.kind = ViewKind::label;
  node.text = std::move(content);
  node.symbol = std::move(symbol);
  return node;
}

ViewNode circle() {
  ViewNode node;
  node.kind = ViewKind::circle;
  return node;
}

ViewNode capsule(CornerStyle style) {
  ViewNode node;
  node.kind = ViewKind::capsule;
  node.cornerStyle = style;
  return node;
}

const char* kindName(ViewKind kind) {
  switch (kind) {
    case ViewKind::vStack: return "VStack";
    case ViewKind::hStack: return "HStack";
    case ViewKind::spacer: return "Spacer";
    case ViewKind::text: return "Text";
    case ViewKind::image: return "Image";
    case ViewKind::label: return "Label";
    case ViewKind::circle: return "Circle";
    case ViewKind::capsule: return "Capsule";
  }
  return "?";
}

const char* alignmentName(Alignment alignment) {
  switch (alignment) {
    case Alignment::leading: return "leading";
    case Alignment::center: return "center";
    case Alignment::trailing: return "trailing";
    case Alignment::top: return "top";
    case Alignment::bottom: return "bottom";
  }
  return "?";
}

const char* textStyleName(TextStyle style) {
  switch (style) {
    case TextStyle::headline: return "headline";
    case TextStyle::subheadline: return "subheadline";
    case TextStyle::body: return "body";
    case TextStyle::callout: return "callout";
    case TextStyle::caption: return "caption";
    case TextStyle::caption2: return "caption2";
  }
  return "?";
}

const char* fontWeightName(FontWeight weight) {
  switch (weight) {
    case FontWeight::regular: return "regular";
    case FontWeight::medium: return "medium";
    case FontWeight::semibold: return "semibold";
    case FontWeight::bold: return "bold";
  }
  return "?";
}

const char* shapeStyleName(ShapeStyle style) {
  switch (style) {
    case ShapeStyle::primary: return "primary";
    case ShapeStyle::secondary: return "secondary";
    case ShapeStyle::tertiary: return "tertiary";
    case ShapeStyle::quaternary: return "quaternary";
    case ShapeStyle::green: return "green";
    case ShapeStyle::fillTertiary: return "fill.tertiary";
  }
  return "?";
}

const char* cornerStyleName(CornerStyle style) {
  return style == CornerStyle::continuous ? "continuous" : "circular";
}

const char* edgesName(Edges edges) {
  switch (edges) {
    case Edges::top: return "top";
    case Edges::leading: return "leading";
    case Edges::bottom: return "bottom";
    case Edges::trailing: return "trailing";
    case Edges::horizontal: return "horizontal";
    case Edges::vertical: return "vertical";
    case Edges::all: return "all";
  }
  return "?";
}

}  // namespace plugscope
