#include "host/hint_lines.h"

#include "host/terminal_text.h"

namespace plugscope {

std::vector<std::string> terminalHintLines(const Widget& widget,
                                           const std::vector<AdviceEntry>& hints, int columns) {
  std::vector<std::string> lines;
  for (const AdviceEntry& hint : hints) {
    const std::string sentence = widget.hintSentence(hint);
    if (sentence.empty()) continue;
    // Port titles are plain strings in every language, as in the rows.
    const std::string text =
        terminalSafeText("USB-C " + std::to_string(hint.port) + ": " + sentence);
    for (std::string& line : wrapToWidth(text, columns)) lines.push_back(std::move(line));
  }
  return lines;
}

}  // namespace plugscope
