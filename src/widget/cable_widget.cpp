#include "widget/cable_widget.h"

#include "widget/cable_widget_view.h"
#include "widget/hint_sentence.h"

namespace plugscope {

CableWidget::CableWidget(const TimelineProvider& provider, const StringTable& strings)
    : provider_(provider), strings_(strings), texts_(strings) {}

const WidgetConfiguration& CableWidget::configuration() const { return cableWidgetConfiguration(); }

const TimelineProvider& CableWidget::provider() const { return provider_; }

ViewNode CableWidget::body(const CableEntry& entry, WidgetFamily family) const {
  return cableWidgetView(entry, family);
}

const StringTable& CableWidget::strings() const { return strings_; }

const WidgetTexts& CableWidget::texts() const { return texts_; }

std::string CableWidget::hintSentence(const AdviceEntry& entry) const {
  return plugscope::hintSentence(entry, strings_);
}

}  // namespace plugscope
