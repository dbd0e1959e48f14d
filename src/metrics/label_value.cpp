#include "metrics/label_value.h"

#include <utf8proc.h>

namespace plugscope {
namespace {

constexpr std::string_view kReplacement = "\xef\xbf\xbd";

bool isControl(utf8proc_int32_t codepoint) {
  return (codepoint < 0x20 && codepoint != '\n') || codepoint == 0x7f;
}

}  // namespace

std::string labelValue(std::string_view text) {
  std::string value;
  const auto* bytes = reinterpret_cast<const utf8proc_uint8_t*>(text.data());
  const auto size = static_cast<utf8proc_ssize_t>(text.size());
  for (utf8proc_ssize_t i = 0; i < size;) {
    utf8proc_int32_t codepoint = 0;
    const utf8proc_ssize_t n = utf8proc_iterate(bytes + i, size - i, &codepoint);
    std::string_view character;
    if (n <= 0 || isControl(codepoint)) {
      character = kReplacement;
      i += n > 0 ? n : 1;
    } else {
      character = text.substr(static_cast<std::size_t>(i), static_cast<std::size_t>(n));
      i += n;
    }
    // Whole characters only: the first one that does not fit ends the value.
    if (value.size() + character.size() > kMaxLabelValueBytes) break;
    value.append(character);
  }
  return value;
}

void appendLabelValue(std::string& out, std::string_view text) {
  out.push_back('"');
  for (char c : labelValue(text)) {
    switch (c) {
      case '\\': out += "\\\\"; break;
      case '"': out += "\\\""; break;
      case '\n': out += "\\n"; break;
      default: out.push_back(c);
    }
  }
  out.push_back('"');
}

}  // namespace plugscope
