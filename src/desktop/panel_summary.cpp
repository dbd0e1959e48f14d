#include "desktop/panel_summary.h"

#include <algorithm>

#include "widget_api/localized_text.h"
#include "widget/port_row.h"

namespace plugscope {

std::string panelSummary(const Snapshot& snapshot, const PluralStringTable& strings) {
  const auto connected = static_cast<std::uint64_t>(
      std::ranges::count_if(snapshot.ports, [](const PortStatus& port) { return port.connected; }));
  std::string summary;
  if (snapshot.ports.empty()) {
    summary = strings.lookup("No USB-C ports found");
  } else if (connected == 0) {
    summary = strings.lookup("Nothing plugged in");
  } else {
    summary = fillIntegerPlaceholder(
        strings.lookupPlural("%lld port in use", "%lld ports in use", connected),
        static_cast<std::int64_t>(connected));
  }
  if (snapshot.chargerWatts) {
    summary += kListSeparator;
    summary += fillIntegerPlaceholder(strings.lookup("%lld W"), *snapshot.chargerWatts);
  }
  return summary;
}

std::string menuLabel(std::string_view text) {
  std::string label;
  label.reserve(text.size());
  for (const char c : text) {
    if (c == '_') label += '_';
    label += c;
  }
  return label;
}

std::vector<PanelMenuItem> panelMenu(const Snapshot& snapshot, PanelToggles toggles,
                                     const StringTable& strings) {
  std::vector<PanelMenuItem> menu;
  for (const PortStatus& port : snapshot.ports) {
    // The row's own texts: what the widget says, not translated.
    menu.push_back(PanelMenuItem::line(menuLabel(titleText(port) + " \u2014 " + stateText(port))));
  }
  if (!menu.empty()) menu.push_back(PanelMenuItem::divider());
  menu.push_back(
      PanelMenuItem::action(menuLabel(strings.lookup("Show widget")), PanelCommand::showWidget));
  menu.push_back(
      PanelMenuItem::toggle(menuLabel(strings.lookup("Notify when something is plugged in")),
                            PanelCommand::notifyOnPlug, toggles.notifyOnPlug));
  menu.push_back(PanelMenuItem::toggle(menuLabel(strings.lookup("Start at login")),
                                       PanelCommand::startAtLogin, toggles.startAtLogin));
  menu.push_back(PanelMenuItem::action(menuLabel(strings.lookup("Quit")), PanelCommand::quit));
  return menu;
}

PanelState panelState(const Snapshot& snapshot, PanelToggles toggles,
                      const PluralStringTable& strings) {
  return {panelSummary(snapshot, strings), panelMenu(snapshot, toggles, strings)};
}

}  // namespace plugscope
