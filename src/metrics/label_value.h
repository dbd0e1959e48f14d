#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace plugscope {

// Label values carry whatever a device says about itself; this is the most
// of it a series keeps.
inline constexpr std::size_t kMaxLabelValueBytes = 256;

// The value a label holds for `text`: invalid UTF-8 and every control
// character but the line feed become U+FFFD, and the result is cut to at
// most kMaxLabelValueBytes at a character boundary. Two texts that give the
// same value name the same series.
std::string labelValue(std::string_view text);

// Appends labelValue(text) in double quotes, with backslash, double quote
// and line feed escaped as \\, \" and \n: the only escapes the text formats
// of OpenMetrics and Prometheus know, so nothing a device says can end the
// value, the line or the document.
void appendLabelValue(std::string& out, std::string_view text);

}  // namespace plugscope
