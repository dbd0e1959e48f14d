#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "widget_api/string_table.h"
#include "widget_api/view_node.h"

namespace plugscope {

// Replaces every "%lld" in `format` by the decimal form of `value`; "%%"
// becomes "%". Nothing else in the format is interpreted, so a
// translation can never make us read arguments that are not there.
std::string fillIntegerPlaceholder(std::string_view format, std::int64_t value);

// The text as shown: a verbatim text as it stands; a key looked up in
// `strings` and, when it has an argument, filled with it.
std::string resolveText(const TextContent& content, const StringTable& strings);

}  // namespace plugscope
