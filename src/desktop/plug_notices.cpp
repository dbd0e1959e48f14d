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

}  // namespace plugscope
