#pragma once

// What the widget drawing benchmarks share.
#include <string>

#include "host/png/pango_text.h"
#include "host/png/pinned_fonts.h"
#include "widget/cable_texts.h"
#include "widget/sample_snapshot.h"

namespace plugscope::bench {

// Four ports, as a laptop with a dock, a display and a charger shows.
inline Snapshot busyLaptop() {
  Snapshot snapshot = makeSampleSnapshot(PointInTime{0});
  while (snapshot.ports.size() < 4) {
    PortStatus port = snapshot.ports.back();
    port.number += 1;
    port.id = "Port-USB-C@" + std::to_string(port.number);
    snapshot.ports.push_back(port);
  }
  return snapshot;
}

// The cable widget's words for hosts, untranslated.
inline const WidgetTexts& texts() {
  static const UntranslatedStrings strings;
  static const CableTexts texts(strings);
  return texts;
}

// The pinned fonts, loaded once per run.
inline const PangoText& fonts() {
  static const PangoText text(pinnedFontFiles());
  return text;
}

}  // namespace plugscope::bench
