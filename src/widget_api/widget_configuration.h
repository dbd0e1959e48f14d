#pragma once

#include <string>
#include <vector>

#include "widget_api/widget_family.h"

namespace plugscope {

// What a widget registers with its host. The display name and the
// description are string table keys.
struct WidgetConfiguration {
  std::string kind;
  std::string displayName;
  std::string description;
  std::vector<WidgetFamily> supportedFamilies;  // in the order offered
};

}  // namespace plugscope
