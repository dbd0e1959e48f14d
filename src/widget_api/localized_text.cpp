#include "widget_api/localized_text.h"

namespace plugscope {

std::string fillIntegerPlaceholder(std::string_view format, std::int64_t value) {
  constexpr std::string_view kPlaceholder = "%lld";
  std::string out;
  out.reserve(format.size() + 20);
  for (std::size_t i = 0; i < format.size();) {
    if (format.substr(i, kPlaceholder.size()) == kPlaceholder) {
      out += std::to_string(value);
      i += kPlaceholder.size();
    } else if (format.substr(i, 2) == "%%") {
      out += '%';
      i += 2;
    } else {
      out += format[i++];
    }
  }
  return out;
}

std::string resolveText(const TextContent& content, const StringTable& strings) {
  if (!content.localized) return content.text;
  std::string found = strings.lookup(content.text);
  if (!content.argument) return found;
  return fillIntegerPlaceholder(found, *content.argument);
}

}  // namespace plugscope
