#pragma once

#include <string>

#include "host/png/pango_text.h"
#include "host/png/pinned_fonts.h"
#include "host/widget_layout.h"
#include "shared/snapshot.h"
#include "widget/cable_widget_view.h"
#include "widget_api/string_table.h"
#include "widget_test_support.h"

namespace plugscope::test {

// Text in the pinned fonts, loaded once for all tests in the binary.
inline const PangoText& pinnedText() {
  static const PangoText text(pinnedFontFiles());
  return text;
}

inline PortStatus connectedPort(std::int64_t number) {
  PortStatus port;
  port.id = "Port-USB-C@" + std::to_string(number);
  port.number = number;
  port.connected = true;
  return port;
}

// A dock on port 1 (smart cable, Thunderbolt, bus power) charging the
// Mac, a phone on port 2, nothing on port 3; a 96 W charger.
inline Snapshot dockPhoneAndEmptyPort() {
  PortStatus dock = connectedPort(1);
  dock.protocols = {"Thunderbolt", "USB 3", "USB 2"};
  dock.speed = "40 Gb/s";
  dock.device = "Harbor TB4 Dock";
  dock.smartCable = true;
  dock.usbPowerWatts = 4.5;
  dock.powerIn = true;
  PortStatus phone = connectedPort(2);
  phone.protocols = {"USB 3", "USB 2"};
  phone.speed = "10 Gb/s";
  phone.device = "Phone";
  PortStatus empty = connectedPort(3);
  empty.connected = false;
  return Snapshot{{dock, phone, empty}, 96, PointInTime{0}};
}

inline WidgetLayout layOut(const Snapshot& snapshot, WidgetFamily family,
                           const TextMeasurer& measurer = pinnedText()) {
  const ViewNode root = cableWidgetView(CableEntry{PointInTime{0}, snapshot}, family);
  return layoutWidget(root, family, UntranslatedStrings(), englishTexts(), measurer);
}

}  // namespace plugscope::test
