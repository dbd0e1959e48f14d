#pragma once

#include <memory>
#include <optional>

#include "desktop/desktop_panel.h"
#include "desktop/plural_string_table.h"
#include "desktop/start_at_login.h"
#include "shared/snapshot.h"

namespace plugscope {

class StatusNotifierItem;
struct PanelState;

// The desktop host's panel entry as a StatusNotifierItem on the session
// bus: it sums up each entry's snapshot, turns the menu's clicks into the
// controls' calls, and sends a notice for each port that something was
// plugged into since the entry before. The strings and the login toggle
// must outlive it.
class StatusNotifierPanel final : public DesktopPanel {
 public:
  StatusNotifierPanel(DesktopControls& controls, const PluralStringTable& strings,
                      StartAtLogin& startAtLogin);
  ~StatusNotifierPanel() override;
  StatusNotifierPanel(const StatusNotifierPanel&) = delete;
  StatusNotifierPanel& operator=(const StatusNotifierPanel&) = delete;

  void showEntry(const CableEntry& entry) override;
  void notifyChoiceChanged(bool enabled) override;
  bool inPanel() const override;

 private:
  PanelState state() const;
  void refresh();

  DesktopControls& controls_;
  const PluralStringTable& strings_;
  StartAtLogin& startAtLogin_;
  std::optional<Snapshot> shown_;
  std::unique_ptr<StatusNotifierItem> item_;
};

}  // namespace plugscope
