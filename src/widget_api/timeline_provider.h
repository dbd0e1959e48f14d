#pragma once

#include <functional>

#include "widget_api/cable_entry.h"
#include "widget_api/widget_family.h"

namespace plugscope {

// What the host tells the provider about a request.
struct TimelineContext {
  WidgetFamily family = WidgetFamily::medium;
  bool isPreview = false;  // the host shows the widget in its gallery
};

// Answers a widget host's requests for data. Every operation runs to its
// end on the calling thread (any thread, possibly several at once) and
// calls its completion exactly once before returning.
class TimelineProvider {
 public:
  virtual ~TimelineProvider() = default;
  virtual CableEntry placeholder(const TimelineContext& context) const = 0;
  virtual void getSnapshot(const TimelineContext& context,
                           const std::function<void(const CableEntry&)>& completion) const = 0;
  virtual void getTimeline(const TimelineContext& context,
                           const std::function<void(const Timeline&)>& completion) const = 0;
};

}  // namespace plugscope
