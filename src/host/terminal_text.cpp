#include "host/terminal_text.h"

#include <utf8proc.h>

namespace plugscope {
namespace {

constexpr utf8proc_int32_t kReplacement = 0xFFFD;

void appendCodepoint(std::string& out, utf8proc_int32_t codepoint) {
  utf8proc_uint8_t buffer[4];
  const auto length = utf8proc_encode_char(codepoint, buffer);
  out.append(reinterpret_cast<const char*>(buffer), static_cast<std::size_t>(length));
}

}  // namespace

std::vector<TerminalCharacter> terminalCharacters(std::string_view text) {
  std::vector<TerminalCharacter> out;
  const auto* data = reinterpret_cast<const utf8proc_uint8_t*>(text.data());
  const auto size = static_cast<utf8proc_ssize_t>(text.size());
  utf8proc_int32_t previous = -1;
  utf8proc_int32_t state = 0;
  std::size_t start = 0;
  int width = 0;
  for (utf8proc_ssize_t i = 0; i < size;) {
    utf8proc_int32_t codepoint = 0;
    auto length = utf8proc_iterate(data + i, size - i, &codepoint);
    if (length <= 0) {  // not expected after terminalSafeText; count a byte
      codepoint = kReplacement;
      length = 1;
    }
    const auto at = static_cast<std::size_t>(i);
    if (previous >= 0 && utf8proc_grapheme_break_stateful(previous, codepoint, &state)) {
      out.push_back({text.substr(start, at - start), width});
      start = at;
      width = 0;
    }
    width = std::max(width, utf8proc_charwidth(codepoint));
    previous = codepoint;
    i += length;
  }
  if (start < text.size()) out.push_back({text.substr(start), width});
  return out;
}

std::string terminalSafeText(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  const auto* data = reinterpret_cast<const utf8proc_uint8_t*>(text.data());
  const auto size = static_cast<utf8proc_ssize_t>(text.size());
  for (utf8proc_ssize_t i = 0; i < size;) {
    utf8proc_int32_t codepoint = 0;
    auto length = utf8proc_iterate(data + i, size - i, &codepoint);
    if (length <= 0) {
      appendCodepoint(out, kReplacement);
      i += 1;
      continue;
    }
    if (codepoint == '\t' || codepoint == '\n' || codepoint == '\r') {
      out += ' ';
    } else if (utf8proc_category(codepoint) == UTF8PROC_CATEGORY_CC) {
      appendCodepoint(out, kReplacement);
    } else {
      out.append(text.substr(static_cast<std::size_t>(i), static_cast<std::size_t>(length)));
    }
    i += length;
  }
  return out;
}

int displayWidth(std::string_view text) {
  int width = 0;
  for (const auto& grapheme : terminalCharacters(text)) width += grapheme.width;
  return width;
}

std::string truncateToWidth(std::string_view text, int width) {
  if (width < 1) return {};
  if (displayWidth(text) <= width) return std::string(text);
  std::string out;
  int used = 0;
  for (const auto& grapheme : terminalCharacters(text)) {
    if (used + grapheme.width > width - 1) break;
    out += grapheme.bytes;
    used += grapheme.width;
  }
  return out + kEllipsis;
}

std::vector<std::string> wrapToWidth(std::string_view text, int width) {
  std::vector<std::string> lines;
  if (width < 1) return lines;
  std::string line;
  int lineWidth = 0;
  std::string word;
  int wordWidth = 0;
  const auto flushWord = [&] {
    if (word.empty()) return;
    if (lineWidth > 0 && lineWidth + 1 + wordWidth > width) {
      lines.push_back(line);
      line.clear();
      lineWidth = 0;
    }
    if (lineWidth > 0) {
      line += ' ';
      ++lineWidth;
    }
    line += word;
    lineWidth += wordWidth;
    word.clear();
    wordWidth = 0;
  };
  for (const auto& grapheme : terminalCharacters(text)) {
    if (grapheme.bytes == " ") {
      flushWord();
      continue;
    }
    // A word wider than a whole line is broken where the line ends.
    if (wordWidth > 0 && wordWidth + grapheme.width > width) {
      flushWord();
      lines.push_back(line);
      line.clear();
      lineWidth = 0;
    }
    word += grapheme.bytes;
    wordWidth += grapheme.width;
  }
  flushWord();
  if (!line.empty() || lines.empty()) lines.push_back(line);
  return lines;
}

}  // namespace plugscope
