#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "host/text_measurer.h"

namespace plugscope {

// Byte offsets at which `text` (valid UTF-8) may be cut without splitting a
// user-perceived character: 0, every boundary inside, and text.size().
std::vector<std::size_t> characterBoundaries(std::string_view text);

struct FittedText {
  std::string text;
  bool truncated = false;
};

// `text` on one line within `maxWidth` points: unchanged when it fits;
// else the longest start of it, cut between user-perceived characters,
// with spaces before the cut dropped and "…" appended; just "…" when no
// character fits before it, and empty when not even "…" fits.
FittedText fitOneLine(std::string_view text, const FontSpec& font, double maxWidth,
                      const TextMeasurer& measurer);

inline constexpr const char* kTruncationMark = "\u2026";

}  // namespace plugscope
