#include "host/terminal_renderer.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "host/terminal_text.h"
#include "host/widget_layout.h"

namespace plugscope {
namespace {

// A terminal cell is about 8 points wide and 16 high.
constexpr double kPointsPerColumn = 8;
constexpr double kPointsPerRow = 16;

// Layout positions are whole cells but for the halves that centring gives;
// those round down, as integer division would.
int cellAt(double position) { return static_cast<int>(std::floor(position + 1e-9)); }

// Texts measure in cells: a column per ordinary character, a row per line.
class CellText final : public TextMeasurer {
 public:
  TextExtent measure(std::string_view text, const FontSpec&,
                     std::optional<double> wrapWidth) const override {
    if (!wrapWidth) return {static_cast<double>(displayWidth(text)), 1};
    const auto lines = wrapToWidth(text, cellAt(*wrapWidth));
    int widest = 0;
    for (const auto& line : lines) widest = std::max(widest, displayWidth(line));
    const std::size_t rows = std::max<std::size_t>(lines.size(), 1);
    return {static_cast<double>(widest), static_cast<double>(rows)};
  }
};

// The box's inside in character cells. Every length of the view tree
// becomes the nearest whole number of cells, so that a layout made here
// lands on the grid.
class CellSurface final : public LayoutSurface {
 public:
  Size widgetSize(WidgetFamily family) const override {
    const TerminalBoxSize box = terminalBoxSize(family);
    // Less the border and one blank column on each side.
    return {static_cast<double>(box.columns - 4), static_cast<double>(box.rows - 2)};
  }
  double contentMargin() const override { return 0; }
  double width(double points) const override { return std::round(points / kPointsPerColumn); }
  double height(double points) const override { return std::round(points / kPointsPerRow); }
  const TextMeasurer& text() const override { return text_; }
  Size symbolSize(std::string_view symbol, const FontSpec&) const override {
    return {static_cast<double>(displayWidth(symbolGlyph(symbol))), 1};
  }
  double labelSpacing(const FontSpec&) const override { return 1; }

 private:
  CellText text_;
};

struct CellStyle {
  bool bold = false;
  bool dim = false;
  bool green = false;
  bool badge = false;   // on a capsule
  bool hollow = false;  // a shape drawn at low opacity
  friend bool operator==(const CellStyle&, const CellStyle&) = default;
};

CellStyle styleOf(const PlacedView& view) {
  CellStyle style;
  style.bold = view.font && (view.font->weight == FontWeight::semibold ||
                             view.font->weight == FontWeight::bold);
  style.green = view.paint.style == ShapeStyle::green;
  style.dim = !style.green && view.paint.style != ShapeStyle::primary;
  if (view.paint.opacity < 0.5) style.dim = style.hollow = true;
  return style;
}

struct Cell {
  std::string text = " ";
  int width = 1;         // 0: the right half of the wide character before it
  CellStyle style;
};

// The box's inside, painted cell by cell; whatever falls outside is cut off,
// as a host clips a widget at its edges.
class CellGrid {
 public:
  CellGrid(int columns, int rows)
      : columns_(columns),
        cells_(static_cast<std::size_t>(std::max(rows, 0)),
               std::vector<Cell>(static_cast<std::size_t>(std::max(columns, 0)))) {}

  // Writes `text` from `column` on; a character that does not fit whole is
  // left out. Keeps a badge under the text.
  void write(int column, int row, std::string_view text, CellStyle style) {
    if (row < 0 || row >= static_cast<int>(cells_.size())) return;
    for (const TerminalCharacter& character : terminalCharacters(text)) {
      if (character.width == 0) {  // combines with the character before it
        if (column > 0 && column <= columns_) at(column - 1, row).text += character.bytes;
        continue;
      }
      if (column >= 0 && column + character.width <= columns_) {
        for (int c = column; c < column + character.width; ++c) release(c, row);
        Cell& cell = at(column, row);
        style.badge = style.badge || cell.style.badge;
        cell = Cell{std::string(character.bytes), character.width, style};
        if (character.width == 2) at(column + 1, row) = Cell{std::string(), 0, style};
      }
      column += character.width;
    }
  }

  void mark(int column, int row, CellStyle style) {
    if (row < 0 || row >= static_cast<int>(cells_.size()) || column < 0 || column >= columns_) {
      return;
    }
    at(column, row).style.badge = style.badge;
  }

  std::string line(int row, bool colours) const;

 private:
  Cell& at(int column, int row) {
    return cells_[static_cast<std::size_t>(row)][static_cast<std::size_t>(column)];
  }
  // Empties a cell, and the other half of a wide character it belongs to.
  void release(int column, int row) {
    Cell& cell = at(column, row);
    if (cell.width == 0 && column > 0) {
      at(column - 1, row) = Cell{" ", 1, at(column - 1, row).style};
    }
    if (cell.width == 2 && column + 1 < columns_) at(column + 1, row) = Cell{" ", 1, cell.style};
    cell = Cell{" ", 1, cell.style};
  }

  int columns_;
  std::vector<std::vector<Cell>> cells_;
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

std::string CellGrid::line(int row, bool colours) const {
  std::string out;
  const auto& cells = cells_[static_cast<std::size_t>(row)];
  // Runs of one style share one escape sequence.
  for (std::size_t i = 0; i < cells.size();) {
    std::string run;
    std::size_t end = i;
    for (; end < cells.size() && cells[end].style == cells[i].style; ++end) run += cells[end].text;
    const std::string codes = colours ? sgr(cells[i].style) : std::string();
    out += codes.empty() ? run : "\x1b[" + codes + "m" + run + "\x1b[0m";
    i = end;
  }
  return out;
}

class Painter {
 public:
  Painter(CellGrid& grid, bool colours) : grid_(grid), colours_(colours) {}

  void draw(const PlacedView& view) const {
    for (const auto& background : view.backgrounds) draw(background);
    const CellStyle style = styleOf(view);
    const Rect& r = view.contentFrame;
    switch (view.kind) {
      case ViewKind::text: drawText(view, cellAt(r.x), cellAt(r.y), style); break;
      case ViewKind::label: {
        // The symbol, the gap and the text read as one run.
        const int x = cellAt(view.symbolFrame.x);
        const int textX = cellAt(view.textFrame.x);
        const int y = cellAt(view.textFrame.y);
        grid_.write(x, y, symbolGlyph(view.symbol), style);
        const int afterSymbol = x + displayWidth(symbolGlyph(view.symbol));
        const auto gap = static_cast<std::size_t>(std::max(0, textX - afterSymbol));
        grid_.write(afterSymbol, y, std::string(gap, ' '), style);
        drawText(view, textX, y, style);
        break;
      }
      case ViewKind::image:
        grid_.write(cellAt(view.symbolFrame.x), cellAt(view.symbolFrame.y),
                    symbolGlyph(view.symbol), style);
        break;
      case ViewKind::circle:
        grid_.write(cellAt(r.x), cellAt(r.y), style.hollow && !colours_ ? "\u25cb" : "\u25cf",
                    style);
        break;
      case ViewKind::capsule: drawCapsule(r, style); break;
      case ViewKind::spacer: break;
      case ViewKind::vStack:
      case ViewKind::hStack:
        for (const auto& child : view.children) draw(child);
        break;
    }
  }

 private:
  void drawText(const PlacedView& view, int x, int y, CellStyle style) const {
    std::vector<std::string> lines{view.text};
    if (view.wrapWidth) lines = wrapToWidth(view.text, cellAt(*view.wrapWidth));
    // Lines beyond a line limit are cut, the last one kept marks the cut.
    const auto rows = static_cast<std::size_t>(std::max(1, cellAt(view.contentFrame.height)));
    if (lines.size() > rows) {
      lines.resize(rows);
      lines.back() = truncateToWidth(lines.back() + kEllipsis, cellAt(view.textFrame.width));
    }
    for (std::size_t i = 0; i < lines.size(); ++i) {
      grid_.write(x, y + static_cast<int>(i), lines[i], style);
    }
  }

  // A grey plate in colour; without colour, parentheses at its two ends,
  // where the badge's padding leaves room for them.
  void drawCapsule(const Rect& r, CellStyle style) const {
    const int left = cellAt(r.x);
    const int right = cellAt(r.x + r.width) - 1;
    const int top = cellAt(r.y);
    const int rows = std::max(1, cellAt(r.height));
    for (int row = top; row < top + rows; ++row) {
      if (colours_) {
        style.badge = true;
        for (int column = left; column <= right; ++column) grid_.mark(column, row, style);
      } else if (right > left) {
        grid_.write(left, row, "(", {});
        grid_.write(right, row, ")", {});
      }
    }
  }

  CellGrid& grid_;
  bool colours_;
};

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
                              const WidgetTexts& texts, std::ostream& out) const {
  const TerminalBoxSize box = terminalBoxSize(family);
  const CellSurface surface;
  const Size inside = surface.widgetSize(family);
  const int columns = static_cast<int>(inside.width);
  const int rows = static_cast<int>(inside.height);
  CellGrid grid(columns, rows);
  Painter(grid, colours_).draw(layoutWidget(root, family, strings, texts, surface).root);

  std::string rule;
  for (int i = 0; i < box.columns - 2; ++i) rule += "\u2500";
  const auto border = [&](const std::string& text) {
    return colours_ ? "\x1b[2m" + text + "\x1b[0m" : text;
  };
  std::string text = border("\u256d" + rule + "\u256e") + "\n";
  for (int row = 0; row < rows; ++row) {
    text += border("\u2502") + " ";
    text += grid.line(row, colours_);
    text += ' ';
    text += border("\u2502");
    text += '\n';
  }
  text += border("\u2570" + rule + "\u256f") + "\n";
  out << text;
}

}  // namespace plugscope
