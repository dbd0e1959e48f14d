#include "desktop/window_content.h"

#include <algorithm>

#include "host/png/png_renderer.h"
#include "host/semantic_fonts.h"
#include "host/terminal_text.h"
#include "host/widget_metrics.h"
#include "widget_api/localized_text.h"

namespace plugscope {
namespace {

void collectTexts(const ViewNode& node, const StringTable& strings, std::string& line) {
  if (node.kind == ViewKind::text || node.kind == ViewKind::label) {
    const std::string shown = resolveText(node.text, strings);
    if (!shown.empty()) {
      if (!line.empty()) line += ", ";
      line += shown;
    }
  }
  for (const ViewNode& child : node.children) collectTexts(child, strings, line);
}

FontSpec stripFont() { return fontFor(TextStyle::caption, std::nullopt, false); }

}  // namespace

HintStrip layoutHintStrip(const Widget& widget, const std::vector<AdviceEntry>& hints,
                          double width, const TextMeasurer& text) {
  HintStrip strip;
  const double textWidth = std::max(0.0, width - 2 * kHintStripMargin);
  double y = kHintStripMargin;
  for (const AdviceEntry& hint : hints) {
    const std::string sentence = widget.hintSentence(hint);
    if (sentence.empty()) continue;
    // Port titles are plain strings in every language, as in the rows; a
    // device's name in the sentence is made printable as in the rows.
    std::string paragraph =
        terminalSafeText("USB-C " + std::to_string(hint.port) + ": " + sentence);
    const double height = text.measure(paragraph, stripFont(), textWidth).height;
    if (!strip.paragraphs.empty()) y += kHintStripSpacing;
    strip.paragraphs.push_back({std::move(paragraph), {kHintStripMargin, y, textWidth, height}});
    y += height;
  }
  if (!strip.paragraphs.empty()) strip.height = y + kHintStripMargin;
  return strip;
}

WindowContent makeWindowContent(const Widget& widget, const CableEntry& entry, WidgetFamily family,
                                const PangoText& text, const std::vector<AdviceEntry>& hints) {
  const ViewNode root = widget.body(entry, family);
  WindowContent content{layoutWidget(root, family, widget.strings(), widget.texts(), text), {},
                        accessibleDescription(root, widget.strings())};
  content.strip = layoutHintStrip(widget, hints, content.layout.bounds.width, text);
  for (const HintStrip::Paragraph& paragraph : content.strip.paragraphs) {
    content.description += "\n" + paragraph.text;
  }
  return content;
}

WidgetFamily fittingFamily(const Widget& widget, const CableEntry& entry, const PangoText& text,
                           WidgetFamily family) {
  std::vector<WidgetFamily> families = widget.configuration().supportedFamilies;
  if (families.empty()) return family;
  const auto area = [](WidgetFamily f) {
    const Size size = widgetSize(f);
    return size.width * size.height;
  };
  std::ranges::stable_sort(families, {}, area);
  for (const WidgetFamily candidate : families) {
    const ViewNode root = widget.body(entry, candidate);
    if (layoutWidget(root, candidate, widget.strings(), widget.texts(), text).rowsNotShown == 0) {
      return candidate;
    }
  }
  return families.back();
}

std::string accessibleDescription(const ViewNode& root, const StringTable& strings) {
  std::string description;
  for (const ViewNode& child : root.children) {
    std::string line;
    collectTexts(child, strings, line);
    if (line.empty()) continue;
    if (!description.empty()) description += '\n';
    description += line;
  }
  return description;
}

Colour windowBackground(Appearance appearance) {
  // The desktop theme's own window colours, so the corners blend in.
  constexpr double kByte = 255.0;
  return appearance == Appearance::dark ? Colour{36 / kByte, 36 / kByte, 36 / kByte, 1}
                                        : Colour{250 / kByte, 250 / kByte, 250 / kByte, 1};
}

void paintWindowContent(cairo_t* cairo, const WindowContent& content, const PangoText& text,
                        Appearance appearance) {
  const Colour background = windowBackground(appearance);
  cairo_save(cairo);
  cairo_set_source_rgba(cairo, background.red, background.green, background.blue,
                        background.alpha);
  cairo_paint(cairo);
  const Colour ink = colourOf(ShapeStyle::secondary, appearance);
  cairo_set_source_rgba(cairo, ink.red, ink.green, ink.blue, ink.alpha);
  const double top = content.layout.bounds.height;
  for (const HintStrip::Paragraph& paragraph : content.strip.paragraphs) {
    text.draw(cairo, paragraph.text, stripFont(), paragraph.frame.width, paragraph.frame.x,
              top + paragraph.frame.y);
  }
  cairo_restore(cairo);
  paintWidget(cairo, content.layout, text, appearance);
}

}  // namespace plugscope
