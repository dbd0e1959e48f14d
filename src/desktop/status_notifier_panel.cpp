#include "desktop/status_notifier_panel.h"

#include "desktop/plug_notices.h"
#include "desktop/status_notifier_item.h"

namespace plugscope {

StatusNotifierPanel::StatusNotifierPanel(DesktopControls& controls, const StringTable& strings,
                                         const WidgetTexts& texts)
    : controls_(controls), strings_(strings), texts_(texts) {
  // The application tells us back through choicesChanged.
  PanelCallbacks callbacks;
  callbacks.activate = [this] { controls_.toggleWindow(); };
  callbacks.showWidget = [this] { controls_.showWindow(); };
  callbacks.setNotifyOnPlug = [this](bool enabled) { controls_.setNotifyWhenPlugged(enabled); };
  callbacks.setStartAtLogin = [this](bool enabled) { controls_.setStartAtLogin(enabled); };
  callbacks.quit = [this] { controls_.quit(); };
  item_ = std::make_unique<StatusNotifierItem>(state(), std::move(callbacks));
}

StatusNotifierPanel::~StatusNotifierPanel() = default;

void StatusNotifierPanel::showEntry(const CableEntry& entry) {
  for (const PlugNotice& plugged : plugNotices(shown_, entry.snapshot, texts_)) {
    controls_.sendNotification(plugged.id, plugged.notice.title, plugged.notice.body);
  }
  shown_ = entry.snapshot;
  refresh();
}

void StatusNotifierPanel::choicesChanged() { refresh(); }

PanelState StatusNotifierPanel::state() const {
  const PanelToggles toggles{controls_.notifyWhenPlugged(), controls_.startsAtLogin()};
  return panelState(shown_.value_or(Snapshot{}), toggles, strings_, texts_);
}

void StatusNotifierPanel::refresh() { item_->update(state()); }

bool StatusNotifierPanel::inPanel() const { return item_ && item_->inPanel(); }

}  // namespace plugscope
