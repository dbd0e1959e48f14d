#include "desktop/status_notifier_panel.h"

#include "desktop/plug_notices.h"
#include "desktop/status_notifier_item.h"

namespace plugscope {

StatusNotifierPanel::StatusNotifierPanel(DesktopControls& controls, const StringTable& strings,
                                         const Widget& widget)
    : controls_(controls), strings_(strings), widget_(widget) {
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

void StatusNotifierPanel::showEntry(const CableEntry& entry,
                                    const std::optional<std::vector<AdviceEntry>>& advice) {
  for (const PlugNotice& plugged : plugNotices(shown_, entry.snapshot, widget_.texts())) {
    controls_.sendNotification(plugged.id, plugged.notice.title, plugged.notice.body);
  }
  // A read that found no advice about this snapshot is no news either way.
  if (advice) {
    for (const PlugNotice& hinted : hintNotices(advised_, *advice, entry.snapshot, widget_)) {
      controls_.sendNotification(hinted.id, hinted.notice.title, hinted.notice.body);
    }
    advised_ = advice;
  }
  shown_ = entry.snapshot;
  hints_.clear();
  for (const AdviceEntry& hint : advice.value_or(std::vector<AdviceEntry>{})) {
    std::string sentence = widget_.hintSentence(hint);
    if (!sentence.empty()) hints_.push_back({hint.port, std::move(sentence)});
  }
  refresh();
}

void StatusNotifierPanel::choicesChanged() { refresh(); }

PanelState StatusNotifierPanel::state() const {
  const PanelToggles toggles{controls_.notifyWhenPlugged(), controls_.startsAtLogin()};
  return panelState(shown_.value_or(Snapshot{}), toggles, strings_, widget_.texts(), hints_);
}

void StatusNotifierPanel::refresh() { item_->update(state()); }

bool StatusNotifierPanel::inPanel() const { return item_ && item_->inPanel(); }

}  // namespace plugscope
