#include "desktop/plug_notices.h"

#include <algorithm>

#include "widget/port_row.h"

namespace plugscope {

std::vector<PlugNotice> plugNotices(const std::optional<Snapshot>& previous,
                                    const Snapshot& current) {
  std::vector<PlugNotice> notices;
  if (!previous) return notices;
  for (const PortStatus& port : current.ports) {
    if (!port.connected) continue;
    const auto before = std::ranges::find(previous->ports, port.id, &PortStatus::id);
    if (before == previous->ports.end() || before->connected) continue;
    std::string title = titleText(port) + ": " + stateText(port);
    if (port.speed && !port.speed->empty()) title += kListSeparator + *port.speed;
    notices.push_back({"plugged-" + port.id, std::move(title), detailText(port)});
  }
  return notices;
}

}  // namespace plugscope
