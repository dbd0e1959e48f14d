#include "host/terminal_renderer.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "widget_api/localized_text.h"
#include "host/terminal_text.h"

namespace plugscope {
namespace {

// A terminal cell is about 8 points wide and 16 high.
constexpr double kPointsPerColumn = 8;
constexpr double kPointsPerRow = 16;

int columnsFor(double points) { return static_cast<int>(std::lround(points / kPointsPerColumn)); }
int rowsFor(double points) { return static_cast<int>(std::lround(points / kPointsPerRow)); }

struct CellStyle {
  bool bold = false;
  bool dim = false;
  bool green = false;
  bool badge = false;   // on a capsule
  bool hollow = false;  // a shape drawn at low opacity
  friend bool operator==(const CellStyle&, const CellStyle&) = default;
};

struct Span {
  std::string text;
  int width = 0;
  CellStyle style;
};
using Line = std::vector<Span>;

struct Block {
  int width = 0;
  std::vector<Line> lines;
};

int widthOf(const Line& line) {
  int width = 0;
  for (const auto& span : line) width += span.width;
  return width;
}

Span spaces(int count, CellStyle style = {}) {
  return Span{std::string(static_cast<std::size_t>(std::max(count, 0)), ' '), std::max(count, 0),
              style};
}

void padRight(Line& line, int width) {
  const int missing = width - widthOf(line);
  if (missing > 0) line.push_back(spaces(missing));
}

Block textBlock(const std::vector<std::string>& lines, CellStyle style) {
  Block block;
  for (const auto& text : lines) {
    const int width = displayWidth(text);
    block.lines.push_back(Line{Span{text, width, style}});
    block.width = std::max(block.width, width);
  }
  return block;
}

// The part of a node's look that its modifiers set, over what it inherits.
CellStyle styleOf(const ViewNode& node, CellStyle style) {
  for (const auto& modifier : node.modifiers) {
    if (const auto* font = std::get_if<FontModifier>(&modifier)) {
      if (font->style == TextStyle::headline) style.bold = true;
    } else if (const auto* weight = std::get_if<FontWeightModifier>(&modifier)) {
      style.bold = weight->weight == FontWeight::semibold || weight->weight == FontWeight::bold;
    } else if (const auto* foreground = std::get_if<ForegroundStyleModifier>(&modifier)) {
      style.green = foreground->style == ShapeStyle::green;
      style.dim = foreground->style == ShapeStyle::secondary ||
                  foreground->style == ShapeStyle::tertiary ||
                  foreground->style == ShapeStyle::quaternary;
    } else if (const auto* fill = std::get_if<FillModifier>(&modifier)) {
      style.green = fill->style == ShapeStyle::green;
      style.dim = !style.green && fill->style != ShapeStyle::primary;
    } else if (const auto* opacity = std::get_if<OpacityModifier>(&modifier)) {
      if (opacity->value < 0.5) style.dim = style.hollow = true;
    }
  }
  return style;
}

class Layout {
 public:
  Layout(const StringTable& strings, bool colours) : strings_(strings), colours_(colours) {}

  Block layout(const ViewNode& node, int maxWidth, CellStyle inherited) const {
    const CellStyle style = styleOf(node, inherited);
    int contentWidth = maxWidth;
    for (const auto& modifier : node.modifiers) {
      if (const auto* padding = std::get_if<PaddingModifier>(&modifier)) {
        contentWidth -= horizontalPadding(*padding);
      } else if (const auto* frame = std::get_if<FrameModifier>(&modifier)) {
        contentWidth = std::min(contentWidth, std::max(1, columnsFor(frame->width)));
      }
    }
    Block block = content(node, std::max(contentWidth, 0), style);
    for (const auto& modifier : node.modifiers) {
      if (const auto* padding = std::get_if<PaddingModifier>(&modifier)) {
        pad(block, *padding);
      } else if (const auto* frame = std::get_if<FrameModifier>(&modifier)) {
        resize(block, std::max(1, columnsFor(frame->width)), std::max(1, rowsFor(frame->height)));
      } else if (const auto* background = std::get_if<BackgroundModifier>(&modifier)) {
        if (background->content && background->content->kind == ViewKind::capsule) {
          drawCapsule(block);
        }
      }
    }
    return block;
  }

 private:
  static bool isBothSides(Edges edges) { return edges == Edges::horizontal || edges == Edges::all; }
  // Columns a padding takes from the width, both sides together.
  static int horizontalPadding(const PaddingModifier& padding) {
    const int columns = columnsFor(padding.length);
    if (isBothSides(padding.edges)) return 2 * columns;
    if (padding.edges == Edges::leading || padding.edges == Edges::trailing) return columns;
    return 0;
  }

  static void pad(Block& block, const PaddingModifier& padding) {
    const int columns = columnsFor(padding.length);
    const int rows = rowsFor(padding.length);
    const bool leading = padding.edges == Edges::leading || isBothSides(padding.edges);
    const bool trailing = padding.edges == Edges::trailing || isBothSides(padding.edges);
    const bool top = padding.edges == Edges::top || padding.edges == Edges::vertical ||
                     padding.edges == Edges::all;
    const bool bottom = padding.edges == Edges::bottom || padding.edges == Edges::vertical ||
                        padding.edges == Edges::all;
    for (auto& line : block.lines) {
      padRight(line, block.width);
      if (leading) line.insert(line.begin(), spaces(columns));
      if (trailing) line.push_back(spaces(columns));
    }
    block.width += (leading ? columns : 0) + (trailing ? columns : 0);
    if (top) block.lines.insert(block.lines.begin(), static_cast<std::size_t>(rows), Line{});
    if (bottom) block.lines.insert(block.lines.end(), static_cast<std::size_t>(rows), Line{});
  }

  static void resize(Block& block, int columns, int rows) {
    block.lines.resize(static_cast<std::size_t>(rows));
    for (auto& line : block.lines) {
      while (widthOf(line) > columns && !line.empty()) line.pop_back();
    }
    block.width = columns;
  }

  void drawCapsule(Block& block) const {
    for (auto& line : block.lines) padRight(line, block.width);
    if (colours_) {
      for (auto& line : block.lines) {
        for (auto& span : line) span.style.badge = true;
      }
      return;
    }
    // Parentheses take the place of the padding where there is some.
    bool grew = false;
    for (auto& line : block.lines) {
      if (!line.empty() && !line.front().text.empty() && line.front().text.front() == ' ' &&
          !line.back().text.empty() && line.back().text.back() == ' ' && widthOf(line) >= 2) {
        line.front().text.front() = '(';
        line.back().text.back() = ')';
      } else {
        line.insert(line.begin(), Span{"(", 1, {}});
        line.push_back(Span{")", 1, {}});
        grew = true;
      }
    }
    if (grew) block.width += 2;
  }

  Block content(const ViewNode& node, int maxWidth, CellStyle style) const {
    switch (node.kind) {
      case ViewKind::text:
      case ViewKind::label: {
        std::string text = terminalSafeText(resolveText(node.text, strings_));
        if (node.kind == ViewKind::label) text = std::string(symbolGlyph(node.symbol)) + " " + text;
        const auto* limit = findModifier<LineLimitModifier>(node);
        if (limit && limit->lines == 1) return textBlock({truncateToWidth(text, maxWidth)}, style);
        auto lines = wrapToWidth(text, maxWidth);
        if (limit && limit->lines > 0 && lines.size() > static_cast<std::size_t>(limit->lines)) {
          lines.resize(static_cast<std::size_t>(limit->lines));
          lines.back() = truncateToWidth(lines.back() + kEllipsis, maxWidth);
        }
        return textBlock(lines, style);
      }
      case ViewKind::image:
        return textBlock({truncateToWidth(symbolGlyph(node.symbol), maxWidth)}, style);
      case ViewKind::circle:
        return textBlock({style.hollow && !colours_ ? "\u25cb" : "\u25cf"}, style);
      case ViewKind::capsule: {
        Block block = textBlock({""}, style);
        block.width = std::min(2, maxWidth);
        drawCapsule(block);
        return block;
      }
      case ViewKind::spacer: return Block{};
      case ViewKind::vStack: return vertical(node, maxWidth, style);
      case ViewKind::hStack: return horizontal(node, maxWidth, style);
    }
    return Block{};
  }

  // Children one below the other. Spacers only keep their minimum length:
  // the box leaves the free rows at the bottom anyway.
  Block vertical(const ViewNode& node, int maxWidth, CellStyle style) const {
    const int gap = node.spacing ? std::max(0, rowsFor(*node.spacing)) : 0;
    std::vector<Block> parts;
    bool first = true;
    for (const auto& child : node.children) {
      if (child.kind == ViewKind::spacer) {
        Block space;
        space.lines.resize(
            static_cast<std::size_t>(child.minLength ? rowsFor(*child.minLength) : 0));
        parts.push_back(std::move(space));
        continue;
      }
      if (!first && gap > 0) {
        Block space;
        space.lines.resize(static_cast<std::size_t>(gap));
        parts.push_back(std::move(space));
      }
      first = false;
      parts.push_back(layout(child, maxWidth, style));
    }
    Block block;
    for (const auto& part : parts) block.width = std::max(block.width, part.width);
    const Alignment alignment = node.alignment.value_or(Alignment::center);
    for (auto& part : parts) {
      for (auto& line : part.lines) {
        const int missing = block.width - widthOf(line);
        if (alignment == Alignment::center) {
          line.insert(line.begin(), spaces(missing / 2));
        } else if (alignment == Alignment::trailing) {
          line.insert(line.begin(), spaces(missing));
        }
        padRight(line, block.width);
        block.lines.push_back(std::move(line));
      }
    }
    return block;
  }

  // Children side by side: each in turn gets what is left of the width;
  // spacers share the columns nobody took.
  Block horizontal(const ViewNode& node, int maxWidth, CellStyle style) const {
    const auto& children = node.children;
    if (children.empty()) return Block{};
    const int gap = node.spacing ? std::max(0, columnsFor(*node.spacing)) : 1;
    const int gaps = gap * static_cast<int>(children.size() - 1);
    int spacerMinimum = 0;
    int spacerCount = 0;
    for (const auto& child : children) {
      if (child.kind != ViewKind::spacer) continue;
      ++spacerCount;
      spacerMinimum += child.minLength ? std::max(0, columnsFor(*child.minLength)) : 0;
    }
    std::vector<Block> parts(children.size());
    int used = 0;
    for (std::size_t i = 0; i < children.size(); ++i) {
      if (children[i].kind == ViewKind::spacer) continue;
      const int left = std::max(0, maxWidth - gaps - spacerMinimum - used);
      parts[i] = layout(children[i], left, style);
      parts[i].width = std::min(parts[i].width, left);
      used += parts[i].width;
    }
    int free = std::max(0, maxWidth - gaps - used);
    for (std::size_t i = 0; i < children.size(); ++i) {
      if (children[i].kind != ViewKind::spacer) continue;
      const int share = free / spacerCount--;
      parts[i].width = share;
      free -= share;
    }

    std::size_t height = 0;
    for (const auto& part : parts) height = std::max(height, part.lines.size());
    const Alignment alignment = node.alignment.value_or(Alignment::center);
    Block block;
    block.lines.resize(height);
    for (std::size_t i = 0; i < parts.size(); ++i) {
      const std::size_t offset = alignment == Alignment::top ? 0
                                 : alignment == Alignment::bottom
                                     ? height - parts[i].lines.size()
                                     : (height - parts[i].lines.size()) / 2;
      for (std::size_t row = 0; row < height; ++row) {
        Line& line = block.lines[row];
        if (i > 0) line.push_back(spaces(gap));
        const std::size_t own = row - offset;
        if (row >= offset && own < parts[i].lines.size()) {
          for (auto& span : parts[i].lines[own]) line.push_back(span);
          const int missing = parts[i].width - widthOf(parts[i].lines[own]);
          if (missing > 0) line.push_back(spaces(missing));
        } else {
          line.push_back(spaces(parts[i].width));
        }
      }
      block.width += parts[i].width + (i > 0 ? gap : 0);
    }
    return block;
  }

  const StringTable& strings_;
  bool colours_;
};

std::string sgr(const CellStyle& style) {
  std::string codes;
  const auto add = [&](const char* code) {
    if (!codes.empty()) codes += ';';
    codes += code;
  };
  if (style.bold) add("1");
  if (style.dim) add("2");
  if (style.green) add("32");
  if (style.badge) add("100");
  return codes;
}

void writeLine(const Line& line, bool colours, std::string& out) {
  for (const auto& span : line) {
    const std::string codes = colours ? sgr(span.style) : std::string();
    if (codes.empty()) {
      out += span.text;
    } else {
      out += "\x1b[" + codes + "m" + span.text + "\x1b[0m";
    }
  }
}

}  // namespace

TerminalBoxSize terminalBoxSize(WidgetFamily family) {
  switch (family) {
    case WidgetFamily::small: return {26, 12};
    case WidgetFamily::medium: return {54, 12};
    case WidgetFamily::large: return {54, 27};
  }
  return {54, 12};
}

const char* symbolGlyph(std::string_view symbol) {
  if (symbol == "cable.connector") return "\u2301";  // ⌁
  if (symbol == "bolt.fill") return "\u21af";        // ↯
  return "\u25cc";                                   // ◌ for anything unknown
}

void TerminalRenderer::render(const ViewNode& root, WidgetFamily family, const StringTable& strings,
                              std::ostream& out) const {
  const TerminalBoxSize box = terminalBoxSize(family);
  const int innerColumns = box.columns - 4;  // border and one blank column each side
  const int innerRows = box.rows - 2;
  Block content = Layout(strings, colours_).layout(root, innerColumns, CellStyle{});
  content.lines.resize(static_cast<std::size_t>(innerRows));

  std::string rule;
  for (int i = 0; i < box.columns - 2; ++i) rule += "\u2500";
  const auto border = [&](const std::string& text) {
    return colours_ ? "\x1b[2m" + text + "\x1b[0m" : text;
  };
  std::string text = border("\u256d" + rule + "\u256e") + "\n";
  for (auto& line : content.lines) {
    // A line may be wider than the box only through a child that ignored
    // its width; cut such lines rather than break the frame.
    while (widthOf(line) > innerColumns && !line.empty()) line.pop_back();
    padRight(line, innerColumns);
    text += border("\u2502") + " ";
    writeLine(line, colours_, text);
    text += ' ';
    text += border("\u2502");
    text += '\n';
  }
  text += border("\u2570" + rule + "\u256f") + "\n";
  out << text;
}

}  // namespace plugscope
