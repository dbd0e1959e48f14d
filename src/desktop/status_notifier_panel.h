#pragma once

#include <memory>
#include <optional>

#include "desktop/desktop_panel.h"
#include "desktop/panel_summary.h"
#include "shared/snapshot.h"
#include "widget_api/string_table.h"

namespace plugscope {

class StatusNotifierItem;

// The desktop host's panel entry as a StatusNotifierItem on the session
// bus: it shows the widget's summary of each entry's snapshot, a line per
// port and under it a line per hint about that port, turns the menu's
// clicks into the controls' calls, and sends a notice for each port that
// something was plugged into since the entry before, and for each hint
// that the advice before did not give. `strings` (the host's own, for its
// commands) and `widget` must outlive it.
class StatusNotifierPanel final : public DesktopPanel {
 public:
  StatusNotifierPanel(DesktopControls& controls, const StringTable& strings, const Widget& widget);
  ~StatusNotifierPanel() override;
  StatusNotifierPanel(const StatusNotifierPanel&) = delete;
  StatusNotifierPanel& operator=(const StatusNotifierPanel&) = delete;

  void showEntry(const CableEntry& entry,
                 const std::optional<std::vector<AdviceEntry>>& advice) override;
  void choicesChanged() override;
  bool inPanel() const override;

 private:
  PanelState state() const;
  void refresh();

  DesktopControls& controls_;
  const StringTable& strings_;
  const Widget& widget_;
  std::optional<Snapshot> shown_;
  // The last advice about a shown snapshot, the baseline of new hints.
  std::optional<std::vector<AdviceEntry>> advised_;
  std::vector<PortHint> hints_;
  std::unique_ptr<StatusNotifierItem> item_;
};

}  // namespace plugscope
