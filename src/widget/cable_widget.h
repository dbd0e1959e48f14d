#pragma once

#include "widget_api/widget_extension.h"

namespace plugscope {

// What Plugscope's one widget registers with its host.
const WidgetConfiguration& cableWidgetConfiguration();

// Plugscope's widget: its configuration, the given provider and string
// table, and cableWidgetView as the view of every entry. Both must outlive
// it.
class CableWidget final : public Widget {
 public:
  CableWidget(const TimelineProvider& provider, const StringTable& strings);

  const WidgetConfiguration& configuration() const override;
  const TimelineProvider& provider() const override;
  ViewNode body(const CableEntry& entry, WidgetFamily family) const override;
  const StringTable& strings() const override;
  std::string hintSentence(const AdviceEntry& entry) const override;

 private:
  const TimelineProvider& provider_;
  const StringTable& strings_;
};

}  // namespace plugscope
