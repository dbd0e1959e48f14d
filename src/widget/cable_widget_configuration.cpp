#include "widget/cable_widget.h"

namespace plugscope {

const WidgetConfiguration& cableWidgetConfiguration() {
  static const WidgetConfiguration configuration{
      "CableWidget",
      "Plugscope",
      "What each USB-C port is doing: device, speed, protocols and cable type.",
      {WidgetFamily::small, WidgetFamily::medium, WidgetFamily::large},
  };
  return configuration;
}

}  // namespace plugscope
