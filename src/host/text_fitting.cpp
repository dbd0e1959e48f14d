#include "host/text_fitting.h"

#include <utf8proc.h>

namespace plugscope {

std::vector<std::size_t> characterBoundaries(std::string_view text) {
  std::vector<std::size_t> boundaries{0};
  const auto* bytes = reinterpret_cast<const utf8proc_uint8_t*>(text.data());
  const auto size = static_cast<utf8proc_ssize_t>(text.size());
  utf8proc_int32_t previous = -1;
  utf8proc_int32_t state = 0;
  utf8proc_ssize_t offset = 0;
  while (offset < size) {
    utf8proc_int32_t codepoint = 0;
    utf8proc_ssize_t length = utf8proc_iterate(bytes + offset, size - offset, &codepoint);
    // Not UTF-8 after all: every byte stands alone rather than be skipped.
    if (length < 1) {
      length = 1;
      codepoint = -1;
    }
    if (previous >= 0 && codepoint >= 0 &&
        utf8proc_grapheme_break_stateful(previous, codepoint, &state)) {
      boundaries.push_back(static_cast<std::size_t>(offset));
    } else if (offset > 0 && (previous < 0 || codepoint < 0)) {
      boundaries.push_back(static_cast<std::size_t>(offset));
      state = 0;
    }
    previous = codepoint;
    offset += length;
  }
  if (boundaries.back() != text.size()) boundaries.push_back(text.size());
  return boundaries;
}

FittedText fitOneLine(std::string_view text, const FontSpec& font, double maxWidth,
                      const TextMeasurer& measurer) {
  if (measurer.measure(text, font, std::nullopt).width <= maxWidth) {
    return {std::string(text), false};
  }
  const auto candidate = [&](std::size_t end) {
    std::string_view start = text.substr(0, end);
    while (!start.empty() && start.back() == ' ') start.remove_suffix(1);
    return std::string(start) + kTruncationMark;
  };
  const auto fits = [&](const std::string& shown) {
    return measurer.measure(shown, font, std::nullopt).width <= maxWidth;
  };
  const std::vector<std::size_t> boundaries = characterBoundaries(text);
  // Widths grow with the number of characters kept: find the most that fit.
  std::size_t low = 0;  // boundaries[low] fits (checked below for 0)
  std::size_t high = boundaries.size() - 1;  // the whole text does not fit
  if (!fits(candidate(0))) return {std::string(), true};
  while (high - low > 1) {
    const std::size_t middle = low + (high - low) / 2;
    if (fits(candidate(boundaries[middle]))) {
      low = middle;
    } else {
      high = middle;
    }
  }
  return {candidate(boundaries[low]), true};
}

}  // namespace plugscope
