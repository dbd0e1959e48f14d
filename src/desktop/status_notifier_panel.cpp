#include "desktop/status_notifier_panel.h"

#include "desktop/plug_notices.h"
#include "desktop/status_notifier_item.h"

namespace plugscope {

StatusNotifierPanel::StatusNotifierPanel(DesktopControls& controls,
                                         const PluralStringTable& strings,
                                         StartAtLogin& startAtLogin)
    : controls_(controls), strings_(strings), startAtLogin_(startAtLogin) {
  PanelCallbacks callbacks;
  callbacks.activate = [this] { controls_.toggleWindow(); };
  callbacks.showWidget = [this] { controls_.showWindow(); };
  // The application tells us back through notifyChoiceChanged.
  callbacks.setNotifyOnPlug = [this](bool enabled) { controls_.setNotifyWhenPlugged(enabled); };
  callbacks.setStartAtLogin = [this](bool enabled) {
    startAtLogin_.setEnabled(enabled);
    refresh();
  };
  callbacks.quit = [this] { controls_.quit(); };
  item_ = std::make_unique<StatusNotifierItem>(state(), std::move(callbacks));
}

StatusNotifierPanel::~StatusNotifierPanel() = default;

void StatusNotifierPanel::showEntry(const CableEntry& entry) {
  for (const PlugNotice& notice : plugNotices(shown_, entry.snapshot)) {
    controls_.sendNotification(notice.id, notice.title, notice.body);
  }
  shown_ = entry.snapshot;
  refresh();
}

void StatusNotifierPanel::notifyChoiceChanged(bool) { refresh(); }

// The login toggle is read back each time: the session's own settings may
// have switched the entry off meanwhile, and a failed write changes nothing.
PanelState StatusNotifierPanel::state() const {
  const PanelToggles toggles{controls_.notifyWhenPlugged(), startAtLogin_.isEnabled()};
  return panelState(shown_.value_or(Snapshot{}), toggles, strings_);
}

void StatusNotifierPanel::refresh() { item_->update(state()); }

bool StatusNotifierPanel::inPanel() const { return item_ && item_->inPanel(); }

}  // namespace plugscope
