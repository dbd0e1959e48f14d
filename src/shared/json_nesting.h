#pragma once

#include <cstddef>
#include <string_view>

namespace plugscope {

// Deepest nesting of arrays and objects that our readers of outside JSON
// (the snapshot file, the hardware report) accept. Their real documents
// nest a handful of levels; without a bound a file of nothing but "[" makes
// the parser build a tree dozens of times the file's size.
inline constexpr std::size_t kMaxJsonNesting = 512;

// Follows JSON text byte by byte and tells which bytes belong to a string
// (its quotes included), so that a scan for structural characters can skip
// them.
class JsonStringTracker {
 public:
  // True when `c`, the next byte of the text, is part of a string.
  constexpr bool within(char c) {
    if (open_) {
      if (escaped_) {
        escaped_ = false;
      } else if (c == '\\') {
        escaped_ = true;
      } else if (c == '"') {
        open_ = false;
      }
      return true;
    }
    open_ = c == '"';
    return open_;
  }

 private:
  bool open_ = false;
  bool escaped_ = false;
};

// True when no array or object in `text` lies more than `limit` levels
// deep. Brackets inside strings do not count. Exact for well-formed JSON;
// for other text the answer does not matter, as the parse fails anyway.
// One pass, no allocation, so it can run before the parser sees the text.
constexpr bool jsonNestingWithin(std::string_view text, std::size_t limit) {
  std::size_t depth = 0;
  JsonStringTracker strings;
  for (const char c : text) {
    if (strings.within(c)) continue;
    if (c == '[' || c == '{') {
      if (++depth > limit) return false;
    } else if ((c == ']' || c == '}') && depth > 0) {
      --depth;
    }
  }
  return true;
}

}  // namespace plugscope
