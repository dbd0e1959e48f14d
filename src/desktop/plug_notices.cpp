#include "desktop/plug_notices.h"

#include <algorithm>

namespace plugscope {

std::vector<PlugNotice> plugNotices(const std::optional<Snapshot>& previous,
                                    const Snapshot& current, const WidgetTexts& texts) {
  std::vector<PlugNotice> notices;
  if (!previous) return notices;
  for (const PortStatus& port : current.ports) {
    if (!port.connected) continue;
    const auto before = std::ranges::find(previous->ports, port.id, &PortStatus::id);
    if (before != previous->ports.end() && before->connected) continue;
    notices.push_back({"plugged-" + port.id, texts.pluggedNotice(port)});
  }
  return notices;
}

std::vector<PlugNotice> hintNotices(const std::optional<std::vector<AdviceEntry>>& previous,
                                    const std::vector<AdviceEntry>& current,
                                    const Snapshot& snapshot, const Widget& widget) {
  std::vector<PlugNotice> notices;
  if (!previous) return notices;
  for (const AdviceEntry& hint : current) {
    const bool known = std::ranges::any_of(*previous, [&](const AdviceEntry& before) {
      return before.port == hint.port && before.hint == hint.hint;
    });
    if (known) continue;
    std::string sentence = widget.hintSentence(hint);
    if (sentence.empty()) continue;
    const auto port = std::ranges::find(snapshot.ports, hint.port, &PortStatus::number);
    std::string title = port != snapshot.ports.end() ? widget.texts().portLine(*port)
                                                     : "USB-C " + std::to_string(hint.port);
    notices.push_back({"hint-" + std::to_string(hint.port) + "-" + hint.hint,
                       {std::move(title), std::move(sentence)}});
  }
  return notices;
}

}  // namespace plugscope
