#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace plugscope {

// The one rule for integers given as text: base 10, an optional leading
// "+" or "-", then one or more ASCII digits and nothing else, within the
// signed 64-bit range. Anything else gives no value.
std::optional<std::int64_t> parseIntegerText(std::string_view text);

}  // namespace plugscope
