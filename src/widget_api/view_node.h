#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace plugscope {

// A small declarative view tree: what a widget wants drawn, independent of
// any renderer. Nodes are plain values; modifiers keep the order in which
// they were applied, because renderers (and people reading a tree) apply
// them in that order.

enum class ViewKind { vStack, hStack, spacer, text, image, label, circle, capsule };

// Leading/center/trailing align a vertical stack's children; top/center/
// bottom a horizontal stack's.
enum class Alignment { leading, center, trailing, top, bottom };

// The platform's semantic text styles.
enum class TextStyle { headline, subheadline, body, callout, caption, caption2 };

enum class FontWeight { regular, medium, semibold, bold };

// Foreground levels (primary to quaternary), plain colours, and the fill
// style used for container backgrounds.
enum class ShapeStyle { primary, secondary, tertiary, quaternary, green, fillTertiary };

enum class CornerStyle { circular, continuous };

enum class Edges { top, leading, bottom, trailing, horizontal, vertical, all };

// A text as the view holds it: shown as it stands, or a key to look up in
// the widget's string table, whose "%lld" is filled with `argument`.
struct TextContent {
  bool localized = false;
  std::string text;
  std::optional<std::int64_t> argument;

  static TextContent verbatim(std::string text) { return {false, std::move(text), std::nullopt}; }
  static TextContent key(std::string key, std::optional<std::int64_t> argument = std::nullopt) {
    return {true, std::move(key), argument};
  }
  friend bool operator==(const TextContent&, const TextContent&) = default;
};

struct ViewNode;

struct FontModifier {
  TextStyle style;
};
struct FontWeightModifier {
  FontWeight weight;
};
struct MonospacedDigitModifier {};
struct ForegroundStyleModifier {
  ShapeStyle style;
};
struct FillModifier {
  ShapeStyle style;
};
struct OpacityModifier {
  double value;
};
struct PaddingModifier {
  Edges edges;
  double length;
};
struct FrameModifier {
  double width;
  double height;
};
struct LineLimitModifier {
  int lines;
};
// Drawn behind the modified view, sized to it.
struct BackgroundModifier {
  std::shared_ptr<const ViewNode> content;
};
struct ContainerBackgroundModifier {
  ShapeStyle style;
};

using Modifier =
    std::variant<FontModifier, FontWeightModifier, MonospacedDigitModifier, ForegroundStyleModifier,
                 FillModifier, OpacityModifier, PaddingModifier, FrameModifier, LineLimitModifier,
                 BackgroundModifier, ContainerBackgroundModifier>;

struct ViewNode {
  ViewKind kind = ViewKind::vStack;
  std::optional<Alignment> alignment;      // stacks
  std::optional<double> spacing;           // stacks; none = the platform's default
  std::optional<double> minLength;         // spacers; none = the platform's default
  TextContent text;                        // text, label
  std::string symbol;                      // image, label: a system symbol name
  std::optional<CornerStyle> cornerStyle;  // capsule
  std::string identity;                    // rows in a list: the item's id; empty otherwise
  std::vector<ViewNode> children;          // stacks, in order
  std::vector<Modifier> modifiers;         // in the order applied

  // Modifiers, chainable on temporaries: text(...).font(...).lineLimit(1).
  // Each gives a new value, so node = std::move(node).font(...) is safe.
  ViewNode font(TextStyle style) && { return add(FontModifier{style}); }
  ViewNode fontWeight(FontWeight weight) && { return add(FontWeightModifier{weight}); }
  ViewNode monospacedDigit() && { return add(MonospacedDigitModifier{}); }
  ViewNode foregroundStyle(ShapeStyle style) && { return add(ForegroundStyleModifier{style}); }
  ViewNode fill(ShapeStyle style) && { return add(FillModifier{style}); }
  ViewNode opacity(double value) && { return add(OpacityModifier{value}); }
  ViewNode padding(Edges edges, double length) && { return add(PaddingModifier{edges, length}); }
  ViewNode frame(double width, double height) && { return add(FrameModifier{width, height}); }
  ViewNode lineLimit(int lines) && { return add(LineLimitModifier{lines}); }
  ViewNode background(ViewNode content) &&;
  ViewNode containerBackground(ShapeStyle style) && {
    return add(ContainerBackgroundModifier{style});
  }
  ViewNode id(std::string value) && {
    identity = std::move(value);
    return std::move(*this);
  }

 private:
  ViewNode add(Modifier modifier) {
    modifiers.push_back(std::move(modifier));
    return std::move(*this);
  }
};

inline ViewNode ViewNode::background(ViewNode content) && {
  return add(BackgroundModifier{std::make_shared<const ViewNode>(std::move(content))});
}

// Node constructors. A spacing or minimum length of none means the
// platform's default.
ViewNode vStack(Alignment alignment, std::optional<double> spacing, std::vector<ViewNode> children);
ViewNode hStack(Alignment alignment, std::optional<double> spacing, std::vector<ViewNode> children);
ViewNode spacer(std::optional<double> minLength = std::nullopt);
ViewNode text(TextContent content);
ViewNode image(std::string symbol);
ViewNode label(TextContent content, std::string symbol);
ViewNode circle();
ViewNode capsule(CornerStyle style);

// The first modifier of type M, or null.
template <typename M>
const M* findModifier(const ViewNode& node) {
  for (const auto& modifier : node.modifiers) {
    if (const auto* found = std::get_if<M>(&modifier)) return found;
  }
  return nullptr;
}

// Names as they appear in a printed tree.
const char* kindName(ViewKind kind);
const char* alignmentName(Alignment alignment);
const char* textStyleName(TextStyle style);
const char* fontWeightName(FontWeight weight);
const char* shapeStyleName(ShapeStyle style);
const char* cornerStyleName(CornerStyle style);
const char* edgesName(Edges edges);

}  // namespace plugscope
