#include "sysfs_rules/sysfs_attributes.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>
#include <utf8proc.h>

namespace plugscope::sysfs {
namespace {

bool isSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// Shortest text of a number with at most one decimal place: 1.5, 480, 40.
std::string numberText(double value) {
  const double rounded = std::round(value * 10.0) / 10.0;
  // Room for every digit of the largest double, so that no rate read from
  // a hostile tree is cut short into a smaller number.
  char buffer[std::numeric_limits<double>::max_exponent10 + 16];
  if (rounded == std::floor(rounded)) {
    std::snprintf(buffer, sizeof buffer, "%.0f", rounded);
  } else {
    std::snprintf(buffer, sizeof buffer, "%.1f", rounded);
  }
  return buffer;
}

}  // namespace

std::string_view trimText(std::string_view text) {
  while (!text.empty() && isSpace(text.front())) text.remove_prefix(1);
  while (!text.empty() && isSpace(text.back())) text.remove_suffix(1);
  return text;
}

std::string validUtf8(std::string_view text) {
  static constexpr std::string_view kReplacement = "\xEF\xBF\xBD";
  std::string result;
  result.reserve(text.size());
  const auto* bytes = reinterpret_cast<const utf8proc_uint8_t*>(text.data());
  const auto size = static_cast<utf8proc_ssize_t>(text.size());
  for (utf8proc_ssize_t i = 0; i < size;) {
    utf8proc_int32_t codepoint = 0;
    const utf8proc_ssize_t n = utf8proc_iterate(bytes + i, size - i, &codepoint);
    if (n <= 0) {
      result.append(kReplacement);
      ++i;
      continue;
    }
    result.append(text.substr(static_cast<std::size_t>(i), static_cast<std::size_t>(n)));
    i += n;
  }
  return result;
}

std::optional<std::string> selectedWord(std::string_view text) {
  text = trimText(text);
  const std::size_t open = text.find('[');
  if (open == std::string_view::npos) {
    if (text.empty() || text.find(']') != std::string_view::npos) return std::nullopt;
    for (char c : text) {
      if (isSpace(c)) return std::nullopt;
    }
    return std::string(text);
  }
  const std::size_t close = text.find(']', open);
  if (close == std::string_view::npos || close == open + 1) return std::nullopt;
  // A second bracket pair would make the choice ambiguous.
  if (text.find('[', open + 1) != std::string_view::npos) return std::nullopt;
  if (text.find(']', close + 1) != std::string_view::npos) return std::nullopt;
  const std::string_view word = text.substr(open + 1, close - open - 1);
  for (char c : word) {
    if (isSpace(c)) return std::nullopt;
  }
  return std::string(word);
}

std::optional<std::int64_t> integerWithUnit(std::string_view text, std::string_view unit) {
  text = trimText(text);
  if (!unit.empty() && text.ends_with(unit)) text.remove_suffix(unit.size());
  if (text.empty()) return std::nullopt;
  for (char c : text) {
    if (!isDigit(c)) return std::nullopt;
  }
  std::int64_t value = 0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc{} || end != text.data() + text.size()) return std::nullopt;
  return value;
}

std::optional<std::uint32_t> hexWord(std::string_view text) {
  text = trimText(text);
  if (text.starts_with("0x") || text.starts_with("0X")) text.remove_prefix(2);
  if (text.empty() || text.size() > 8) return std::nullopt;
  std::uint32_t value = 0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value, 16);
  if (ec != std::errc{} || end != text.data() + text.size()) return std::nullopt;
  return value;
}

std::optional<double> gigabitsPerSecond(std::string_view text) {
  text = trimText(text);
  if (text.ends_with("Gb/s")) text.remove_suffix(4);
  text = trimText(text);
  if (text.empty() || !isDigit(text.front())) return std::nullopt;
  double value = 0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value,
                                   std::chars_format::fixed);
  if (ec != std::errc{} || end != text.data() + text.size()) return std::nullopt;
  if (!std::isfinite(value) || value <= 0) return std::nullopt;
  return value;
}

std::string rateText(double megabits) {
  if (megabits >= 1000.0) return numberText(megabits / 1000.0) + " Gb/s";
  return numberText(megabits) + " Mb/s";
}

std::optional<UsbLinkSpeed> usbLinkSpeed(std::string_view speed) {
  speed = trimText(speed);
  if (speed.empty() || !isDigit(speed.front())) return std::nullopt;
  double megabits = 0;
  auto [end, ec] = std::from_chars(speed.data(), speed.data() + speed.size(), megabits,
                                   std::chars_format::fixed);
  if (ec != std::errc{} || end != speed.data() + speed.size()) return std::nullopt;
  if (!std::isfinite(megabits) || megabits <= 0) return std::nullopt;
  // SuperSpeed starts at 5 Gb/s; everything slower is the USB 2 pair.
  return UsbLinkSpeed{megabits >= 5000.0 ? UsbLane::usb3 : UsbLane::usb2, megabits};
}

std::optional<double> plausibleMilliwatts(const PowerRating& rating) {
  // The limits of USB PD's extended power range.
  constexpr double kMaxMillivolts = 48000, kMaxMilliamperes = 5000, kMaxMilliwatts = 240000;
  auto possible = [](std::optional<double> value, double limit) {
    return !value || (std::isfinite(*value) && *value > 0 && *value <= limit);
  };
  if (!possible(rating.millivolts, kMaxMillivolts) ||
      !possible(rating.milliamperes, kMaxMilliamperes)) {
    return std::nullopt;
  }
  std::optional<double> milliwatts = rating.milliwatts;
  if (!milliwatts && rating.millivolts && rating.milliamperes) {
    milliwatts = *rating.millivolts * *rating.milliamperes / 1000.0;
  }
  if (!milliwatts || !possible(milliwatts, kMaxMilliwatts)) return std::nullopt;
  return milliwatts;
}

std::optional<std::int64_t> wattsFromMilliwatts(double milliwatts) {
  if (!std::isfinite(milliwatts) || milliwatts <= 0) return std::nullopt;
  const double watts = std::round(milliwatts / 1000.0);
  // Far beyond any adapter; keeps the conversion below defined.
  if (watts > 1e15) return std::nullopt;
  return static_cast<std::int64_t>(watts);
}

}  // namespace plugscope::sysfs
