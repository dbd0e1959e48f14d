#pragma once

#include <cstddef>
#include <string_view>

namespace plugscope {

// Deepest nesting of arrays and objects that our readers of outside JSON
// (the snapshot file, the hardware report) accept. Their real documents
// nest a handful of levels; without a bound a file of nothing but "[" makes
// the parser build a tree dozens of times the file's size.
inline constexpr std::size_t kMaxJsonNesting = 512;

// True when no array or object in `text` lies more than `limit` levels
// deep. Brackets inside strings do not count. Exact for well-formed JSON;
// for other text the answer does not matter, as the parse fails anyway.
// One pass, no allocation, so it can run before the parser sees the text.
constexpr bool jsonNestingWithin(std::string_view text, std::size_t limit) {
  std::size_t depth = 0;
  bool inString = false;
  bool escaped = false;
  for (const char c : text) {
    if (inString) {
      if (escaped) {
        escaped = false;
      } else if (c == '\\') {
        escaped = true;
      } else if (c == '"') {
        inString = false;
      }
    } else if (c == '"') {
      inString = true;
    } else if (c == '[' || c == '{') {
      if (++depth > limit) return false;
    } else if ((c == ']' || c == '}') && depth > 0) {
      --depth;
    }
  }
  return true;
}

}  // namespace plugscope
