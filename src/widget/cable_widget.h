#pragma once

#include "widget/cable_texts.h"
#include "widget_api/widget_extension.h"

namespace plugscope {

// What Plugscope's one widget registers with its host.
const WidgetConfiguration& cableWidgetConfiguration();

// Plugscope's widget: its configuration, the given provider and string
// table, cableWidgetView as the view of every entry, and CableTexts as its
// words for hosts. Both must outlive it.
class CableWidget final : public Widget {
 public:
  CableWidget(const TimelineProvider& provider, const StringTable& strings);

  const WidgetConfiguration& configuration() const override;
  const TimelineProvider& provider() const override;
  ViewNode body(const CableEntry& entry, WidgetFamily family) const override;
  const StringTable& strings() const override;
  const WidgetTexts& texts() const override;
  std::string hintSentence(const AdviceEntry& entry) const override;

 private:
  const TimelineProvider& provider_;
  const StringTable& strings_;
  CableTexts texts_;
};

}  // namespace plugscope
