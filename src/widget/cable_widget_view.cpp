#include "widget/cable_widget_view.h"

#include "widget/port_row.h"

namespace plugscope {

double rootSpacing(WidgetFamily family) { return family == WidgetFamily::small ? 6 : 9; }

bool compactRows(WidgetFamily family) { return family == WidgetFamily::small; }

ViewNode cableWidgetView(const CableEntry& entry, WidgetFamily family) {
  const Snapshot& snapshot = entry.snapshot;

  std::vector<ViewNode> header;
  header.push_back(image(kCableSymbol));
  header.push_back(text(TextContent::key("Cables")).font(TextStyle::headline));
  header.push_back(spacer());
  if (snapshot.chargerWatts) {
    header.push_back(label(TextContent::key("%lld W", *snapshot.chargerWatts), kBoltSymbol)
                         .font(TextStyle::caption)
                         .foregroundStyle(ShapeStyle::secondary));
  }

  std::vector<ViewNode> children;
  children.push_back(hStack(Alignment::center, std::nullopt, std::move(header)));
  if (snapshot.ports.empty()) {
    children.push_back(text(TextContent::key("No USB-C ports found"))
                           .font(TextStyle::callout)
                           .foregroundStyle(ShapeStyle::secondary));
  }
  for (const PortStatus& port : snapshot.ports) {
    children.push_back(portRow(port, compactRows(family), snapshot.chargerWatts));
  }
  children.push_back(spacer(0));
  return vStack(Alignment::leading, rootSpacing(family), std::move(children))
      .containerBackground(ShapeStyle::fillTertiary);
}

}  // namespace plugscope
