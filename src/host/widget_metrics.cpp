#include "host/widget_metrics.h"

namespace plugscope {

Size widgetSize(WidgetFamily family) {
  switch (family) {
    case WidgetFamily::small: return {170, 170};
    case WidgetFamily::medium: return {364, 170};
    case WidgetFamily::large: return {364, 382};
  }
  return {364, 170};
}

}  // namespace plugscope
