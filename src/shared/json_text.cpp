#include "shared/json_text.h"

#include <charconv>
#include <cmath>
#include <cstdlib>

namespace plugscope {
namespace {

// Length of the valid UTF-8 sequence starting at text[i], or 0 if invalid.
std::size_t validUtf8Length(std::string_view text, std::size_t i) {
  const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
  const unsigned char lead = byte(i);
  std::size_t length = 0;
  std::uint32_t min = 0;
  std::uint32_t cp = 0;
  if (lead < 0x80) return 1;
  if ((lead & 0xe0) == 0xc0) {
    length = 2, min = 0x80, cp = lead & 0x1f;
  } else if ((lead & 0xf0) == 0xe0) {
    length = 3, min = 0x800, cp = lead & 0x0f;
  } else if ((lead & 0xf8) == 0xf0) {
    length = 4, min = 0x10000, cp = lead & 0x07;
  } else {
    return 0;
  }
  if (i + length > text.size()) return 0;
  for (std::size_t k = 1; k < length; ++k) {
    if ((byte(i + k) & 0xc0) != 0x80) return 0;
    cp = (cp << 6) | (byte(i + k) & 0x3f);
  }
  if (cp < min || cp > 0x10ffff || (cp >= 0xd800 && cp <= 0xdfff)) return 0;
  return length;
}

}  // namespace

void appendJsonString(std::string& out, std::string_view text) {
  static constexpr char kHex[] = "0123456789abcdef";
  out.push_back('"');
  for (std::size_t i = 0; i < text.size();) {
    const auto c = static_cast<unsigned char>(text[i]);
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '/': out += "\\/"; break;
      case '\b': out += "\\b"; break;
      case '\f': out += "\\f"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default:
        if (c < 0x20) {
          out += "\\u00";
          out.push_back(kHex[c >> 4]);
          out.push_back(kHex[c & 0xf]);
        } else if (c < 0x80) {
          out.push_back(static_cast<char>(c));
        } else if (std::size_t n = validUtf8Length(text, i); n > 0) {
          out.append(text.substr(i, n));
          i += n;
          continue;
        } else {
          out += "\xef\xbf\xbd";
        }
    }
    ++i;
  }
  out.push_back('"');
}

bool appendJsonNumber(std::string& out, double value) {
  if (!std::isfinite(value)) return false;
  if (value == 0.0) {
    out += std::signbit(value) ? "-0" : "0";
    return true;
  }
  // Shortest round-trip digits in scientific form: d[.ddd]e±x.
  char buf[64];
  auto [end, ec] = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::scientific);
  (void)ec;  // 64 bytes always suffice for a double
  std::string_view sci(buf, static_cast<std::size_t>(end - buf));
  if (sci.front() == '-') {
    out.push_back('-');
    sci.remove_prefix(1);
  }
  const std::size_t e = sci.find('e');
  std::string digits;
  for (char c : sci.substr(0, e)) {
    if (c != '.') digits.push_back(c);
  }
  const int exponent = std::atoi(std::string(sci.substr(e + 1)).c_str());
  const int k = static_cast<int>(digits.size());
  const int n = exponent + 1;  // value = 0.digits × 10^n
  if (k <= n && n <= 21) {
    out += digits;
    out.append(static_cast<std::size_t>(n - k), '0');
  } else if (0 < n && n <= 21) {
    out.append(digits, 0, static_cast<std::size_t>(n));
    out.push_back('.');
    out.append(digits, static_cast<std::size_t>(n));
  } else if (-6 < n && n <= 0) {
    out += "0.";
    out.append(static_cast<std::size_t>(-n), '0');
    out += digits;
  } else {
    out.push_back(digits[0]);
    if (k > 1) {
      out.push_back('.');
      out.append(digits, 1);
    }
    out.push_back('e');
    out.push_back(n - 1 < 0 ? '-' : '+');
    out += std::to_string(std::abs(n - 1));
  }
  return true;
}

void appendJsonInteger(std::string& out, std::int64_t value) {
  char buf[24];
  auto [end, ec] = std::to_chars(buf, buf + sizeof buf, value);
  (void)ec;
  out.append(buf, end);
}

}  // namespace plugscope
