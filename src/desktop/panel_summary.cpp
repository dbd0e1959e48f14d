#include "desktop/panel_summary.h"

namespace plugscope {

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
                                     const StringTable& strings, const WidgetTexts& texts,
                                     const std::vector<PortHint>& hints) {
  std::vector<PanelMenuItem> menu;
  for (const PortStatus& port : snapshot.ports) {
    menu.push_back(PanelMenuItem::line(menuLabel(texts.portLine(port))));
    for (const PortHint& hint : hints) {
      if (hint.port == port.number) {
        menu.push_back(PanelMenuItem::line(menuLabel("\u21b3 " + hint.sentence)));
      }
    }
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

PanelState panelState(const Snapshot& snapshot, PanelToggles toggles, const StringTable& strings,
                      const WidgetTexts& texts, const std::vector<PortHint>& hints) {
  return {texts.summary(snapshot), panelMenu(snapshot, toggles, strings, texts, hints)};
}

}  // namespace plugscope
