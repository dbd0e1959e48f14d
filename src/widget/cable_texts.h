#pragma once

#include "widget_api/string_table.h"
#include "widget_api/widget_texts.h"

namespace plugscope {

// What the cable widget says outside its views. Keys are looked up in
// `strings`, which must outlive it; port titles, device names and detail
// lines stand as the rows show them.
//  - summary: "N ports in use" (the language's plural forms) when some port
//    is connected, "Nothing plugged in" when none is, "No USB-C ports
//    found" without ports; then " · N W" whenever there is a charger (a
//    laptop may charge through a port that is not USB-C);
//  - portLine: the row's title and state, "USB-C 3 — Harbor TB4 Dock";
//  - pluggedNotice: "USB-C 3: Harbor TB4 Dock · 40 Gbps" (no speed part
//    without a speed) over the row's detail line;
//  - rowsNotShown: "N ports not shown".
class CableTexts final : public WidgetTexts {
 public:
  explicit CableTexts(const StringTable& strings) : strings_(strings) {}

  std::string summary(const Snapshot& snapshot) const override;
  std::string portLine(const PortStatus& port) const override;
  PortNotice pluggedNotice(const PortStatus& port) const override;
  std::string rowsNotShown(std::uint64_t count) const override;

 private:
  const StringTable& strings_;
};

}  // namespace plugscope
