#include "shared/integer_text.h"

#include <charconv>

namespace plugscope {

std::optional<std::int64_t> parseIntegerText(std::string_view text) {
  bool negative = false;
  if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  if (text.empty()) return std::nullopt;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
  }
  // Parse the magnitude as unsigned so that INT64_MIN is reachable.
  std::uint64_t magnitude = 0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), magnitude);
  if (ec != std::errc{} || end != text.data() + text.size()) return std::nullopt;
  constexpr std::uint64_t kMaxPositive = 9223372036854775807ull;
  if (negative) {
    if (magnitude > kMaxPositive + 1) return std::nullopt;
    if (magnitude == kMaxPositive + 1) return INT64_MIN;
    return -static_cast<std::int64_t>(magnitude);
  }
  if (magnitude > kMaxPositive) return std::nullopt;
  return static_cast<std::int64_t>(magnitude);
}

}  // namespace plugscope
