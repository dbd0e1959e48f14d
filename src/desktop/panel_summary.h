#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "desktop/plural_string_table.h"
#include "shared/snapshot.h"

namespace plugscope {

// The gettext text domain of the panel's texts (catalogues under
// <prefix>/share/locale, beside the widget's).
inline constexpr const char* kPanelTextDomain = "plugscope-desktop";

// The panel entry's one-line summary of a snapshot, in the user's language:
// "N ports in use" (N connected ports, with the language's plural forms),
// "Nothing plugged in" when ports exist but none is connected, or "No USB-C
// ports found"; followed by " · N W" whenever the snapshot has a charger
// (a laptop may charge through a port that is not USB-C).
std::string panelSummary(const Snapshot& snapshot, const PluralStringTable& strings);

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

// One disabled line per port ("USB-C 3 — Harbor TB4 Dock", the row's title
// and state texts) and a separator when there are ports, then "Show
// widget", the toggles "Notify when something is plugged in" and "Start at
// login", and "Quit".
std::vector<PanelMenuItem> panelMenu(const Snapshot& snapshot, PanelToggles toggles,
                                     const StringTable& strings);

// `text` with every "_" doubled.
std::string menuLabel(std::string_view text);

// Everything the panel entry shows: the summary (its title, tooltip and
// label) and the menu.
struct PanelState {
  std::string summary;
  std::vector<PanelMenuItem> menu;
  friend bool operator==(const PanelState&, const PanelState&) = default;
};

PanelState panelState(const Snapshot& snapshot, PanelToggles toggles,
                      const PluralStringTable& strings);

}  // namespace plugscope
