#include "desktop/window_content.h"

#include <algorithm>

#include "host/png/png_renderer.h"
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

}  // namespace

WindowContent makeWindowContent(const Widget& widget, const CableEntry& entry, WidgetFamily family,
                                const PangoText& text) {
  const ViewNode root = widget.body(entry, family);
  return {layoutWidget(root, family, widget.strings(), widget.texts(), text),
          accessibleDescription(root, widget.strings())};
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

void paintWindowContent(cairo_t* cairo, const WidgetLayout& layout, const PangoText& text,
                        Appearance appearance) {
  const Colour background = windowBackground(appearance);
  cairo_save(cairo);
  cairo_set_source_rgba(cairo, background.red, background.green, background.blue,
                        background.alpha);
  cairo_paint(cairo);
  cairo_restore(cairo);
  paintWidget(cairo, layout, text, appearance);
}

}  // namespace plugscope
