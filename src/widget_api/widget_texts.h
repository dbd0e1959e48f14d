#pragma once

#include <cstdint>
#include <string>

#include "shared/port_status.h"
#include "shared/snapshot.h"

namespace plugscope {

// A notification a host may send about one port.
struct PortNotice {
  std::string title;
  std::string body;  // may be empty
  friend bool operator==(const PortNotice&, const PortNotice&) = default;
};

// The widget's own words for what a host shows beside its drawing (a
// panel's title and menu, a notification) or in place of rows it leaves
// out, in the user's language like the widget's views. Safe to call from
// any thread.
class WidgetTexts {
 public:
  virtual ~WidgetTexts() = default;
  // The whole snapshot in one line, for a panel's title and tooltip.
  virtual std::string summary(const Snapshot& snapshot) const = 0;
  // One port in one line, for a menu.
  virtual std::string portLine(const PortStatus& port) const = 0;
  // A notification that something is attached to `port` now.
  virtual PortNotice pluggedNotice(const PortStatus& port) const = 0;
  // The last line of a drawing that leaves out the last `count` rows of
  // its list (count ≥ 1) because they do not fit whole.
  virtual std::string rowsNotShown(std::uint64_t count) const = 0;
};

}  // namespace plugscope
