#pragma once

#include <optional>
#include <string_view>

namespace plugscope {

// The sizes in which a widget host shows a widget.
enum class WidgetFamily { small, medium, large };

// "small", "medium", "large".
const char* familyName(WidgetFamily family);
// The family of that name; none for any other text.
std::optional<WidgetFamily> parseFamily(std::string_view name);

}  // namespace plugscope
