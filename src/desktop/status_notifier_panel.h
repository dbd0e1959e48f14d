#pragma once

#include <memory>
#include <optional>

#include "desktop/desktop_panel.h"
#include "shared/snapshot.h"
#include "widget_api/string_table.h"
#include "widget_api/widget_texts.h"

namespace plugscope {

class StatusNotifierItem;
struct PanelState;

// The desktop host's panel entry as a StatusNotifierItem on the session
// bus: it shows the widget's summary of each entry's snapshot and a line
// per port, turns the menu's clicks into the controls' calls, and sends a
// notice for each port that something was plugged into since the entry
// before. `strings` (the host's own, for its commands) and `texts` (the
// widget's) must outlive it.
class StatusNotifierPanel final : public DesktopPanel {
 public:
  StatusNotifierPanel(DesktopControls& controls, const StringTable& strings,
                      const WidgetTexts& texts);
  ~StatusNotifierPanel() override;
  StatusNotifierPanel(const StatusNotifierPanel&) = delete;
  StatusNotifierPanel& operator=(const StatusNotifierPanel&) = delete;

  void showEntry(const CableEntry& entry) override;
  void choicesChanged() override;
  bool inPanel() const override;

 private:
  PanelState state() const;
  void refresh();

  DesktopControls& controls_;
  const StringTable& strings_;
  const WidgetTexts& texts_;
  std::optional<Snapshot> shown_;
  std::unique_ptr<StatusNotifierItem> item_;
};

}  // namespace plugscope
