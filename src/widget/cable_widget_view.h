#pragma once

#include "widget_api/cable_entry.h"
#include "widget_api/view_node.h"
#include "widget_api/widget_family.h"

namespace plugscope {

// The only family-dependent decisions of the widget.
double rootSpacing(WidgetFamily family);  // small 6, otherwise 9
bool compactRows(WidgetFamily family);    // small only

// The widget's root view for one entry: the header with the charger's
// wattage, the no-ports message or one row per port in the snapshot's
// order, then a flexible space. Uses only the entry's snapshot.
ViewNode cableWidgetView(const CableEntry& entry, WidgetFamily family);

inline constexpr const char* kCableSymbol = "cable.connector";

}  // namespace plugscope
