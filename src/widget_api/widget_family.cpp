#include "widget_api/widget_family.h"

namespace plugscope {

const char* familyName(WidgetFamily family) {
  switch (family) {
    case WidgetFamily::small: return "small";
    case WidgetFamily::medium: return "medium";
    case WidgetFamily::large: return "large";
  }
  return "medium";
}

std::optional<WidgetFamily> parseFamily(std::string_view name) {
  for (auto family : {WidgetFamily::small, WidgetFamily::medium, WidgetFamily::large}) {
    if (name == familyName(family)) return family;
  }
  return std::nullopt;
}

}  // namespace plugscope
