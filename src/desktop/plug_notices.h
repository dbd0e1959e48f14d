#pragma once

#include <optional>
#include <string>
#include <vector>

#include "shared/advice.h"
#include "shared/snapshot.h"
#include "widget_api/widget_extension.h"
#include "widget_api/widget_texts.h"

namespace plugscope {

// A desktop notification about one port that something was plugged into.
// `id` is the same for every notice about one port, so that a newer notice
// replaces an older one still on screen.
struct PlugNotice {
  std::string id;
  PortNotice notice;  // the widget's words (WidgetTexts::pluggedNotice)
  friend bool operator==(const PlugNotice&, const PlugNotice&) = default;
};

// One notice for each port of `current` that is connected and was not
// before: `previous` held it (same id, first of equal ids) as not
// connected, or did not hold it at all (a port that appears with something
// attached, as a dock's own ports do). In port order. Without a previous
// snapshot (the first one after launch) nothing is new.
std::vector<PlugNotice> plugNotices(const std::optional<Snapshot>& previous,
                                    const Snapshot& current, const WidgetTexts& texts);

// One notice for each hint of `current` about a (port, hint) that
// `previous` did not hold, in order; nothing without a previous advice
// (the first one after launch: what is there at start is not news). Both
// are the advice about a snapshot (HintSource::adviceFor); `snapshot` is
// the one `current` is about. The notice's title is the widget's line for
// that port ("USB-C N" when the snapshot has no port of that number), its
// body the widget's sentence; a hint the widget has no sentence for is
// left out. Its id is the same for every notice about one (port, hint).
std::vector<PlugNotice> hintNotices(const std::optional<std::vector<AdviceEntry>>& previous,
                                    const std::vector<AdviceEntry>& current,
                                    const Snapshot& snapshot, const Widget& widget);

}  // namespace plugscope
