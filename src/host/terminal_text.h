#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace plugscope {

// Text prepared for a character terminal. Widths count terminal columns:
// one per ordinary character, two for wide ones (CJK, emoji), none for
// combining marks, summed over user-perceived characters.

// Makes text safe to print: invalid UTF-8 and every control character
// (C0, DEL, C1, including ESC, so no escape sequence from a device name
// can reach the terminal) become U+FFFD; tabs and line breaks become one
// space each.
std::string terminalSafeText(std::string_view text);

// One user-perceived character and the columns it takes.
struct TerminalCharacter {
  std::string_view bytes;
  int width = 0;
};

// `text` (already terminal-safe) split into user-perceived characters.
std::vector<TerminalCharacter> terminalCharacters(std::string_view text);

// Columns that `text` (already terminal-safe) occupies.
int displayWidth(std::string_view text);

// The text unchanged when it fits into `width` columns; otherwise as many
// whole user-perceived characters as fit before a final "…". Empty when
// `width` is below 1.
std::string truncateToWidth(std::string_view text, int width);

// Lines of at most `width` columns, broken at spaces where possible and
// inside words that are wider than a line.
std::vector<std::string> wrapToWidth(std::string_view text, int width);

inline constexpr const char* kEllipsis = "\u2026";

}  // namespace plugscope
