#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "shared/snapshot.h"
#include "widget_api/string_table.h"
#include "widget_api/widget_texts.h"

namespace plugscope {

// The gettext text domain of the desktop host's own texts, its menus'
// commands and sizes (catalogues under <prefix>/share/locale, beside the
// widget's). What the host says about the ports is the widget's
// (WidgetTexts), translated by the widget's own catalogue.
inline constexpr const char* kDesktopTextDomain = "plugscope-desktop";

// What a menu item asks the application to do when clicked.
enum class PanelCommand { showWidget, notifyOnPlug, startAtLogin, quit };

// The states of the menu's two toggles, as the application keeps them.
struct PanelToggles {
  bool notifyOnPlug = false;
  bool startAtLogin = false;
  friend bool operator==(const PanelToggles&, const PanelToggles&) = default;
};

// One entry of the panel menu. Labels are ready for a menu: every "_" is
// doubled, so that no device name turns a letter into a mnemonic.
struct PanelMenuItem {
  std::string label;
  bool separator = false;
  bool enabled = true;
  std::optional<bool> checked;          // a toggle and its state
  std::optional<PanelCommand> command;  // none for port lines and the separator

  // A disabled line that only informs.
  static PanelMenuItem line(std::string label) { return {std::move(label), false, false, {}, {}}; }
  static PanelMenuItem divider() { return {{}, true, true, {}, {}}; }
  static PanelMenuItem action(std::string label, PanelCommand command) {
    return {std::move(label), false, true, {}, command};
  }
  static PanelMenuItem toggle(std::string label, PanelCommand command, bool checked) {
    return {std::move(label), false, true, checked, command};
  }

  friend bool operator==(const PanelMenuItem&, const PanelMenuItem&) = default;
};

// One hint about a port as the widget says it (Widget::hintSentence).
struct PortHint {
  std::int64_t port = 0;  // the port's number
  std::string sentence;
  friend bool operator==(const PortHint&, const PortHint&) = default;
};

// One disabled line per port (the widget's portLine), each followed by a
// disabled line per hint about it ("↳ " and the sentence), and a separator
// when there are ports; then "Show widget", the toggles "Notify when
// something is plugged in" and "Start at login", and "Quit" (looked up in
// `strings`, the host's own).
std::vector<PanelMenuItem> panelMenu(const Snapshot& snapshot, PanelToggles toggles,
                                     const StringTable& strings, const WidgetTexts& texts,
                                     const std::vector<PortHint>& hints = {});

// `text` with every "_" doubled.
std::string menuLabel(std::string_view text);

// Everything the panel entry shows: the widget's summary of the snapshot
// (its title, tooltip and label) and the menu.
struct PanelState {
  std::string summary;
  std::vector<PanelMenuItem> menu;
  friend bool operator==(const PanelState&, const PanelState&) = default;
};

PanelState panelState(const Snapshot& snapshot, PanelToggles toggles, const StringTable& strings,
                      const WidgetTexts& texts, const std::vector<PortHint>& hints = {});

}  // namespace plugscope
