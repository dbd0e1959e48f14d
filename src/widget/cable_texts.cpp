#include "widget/cable_texts.h"

#include <algorithm>
#include <limits>

#include "widget/port_row.h"
#include "widget_api/localized_text.h"

namespace plugscope {
namespace {

std::int64_t asInteger(std::uint64_t count) {
  return static_cast<std::int64_t>(
      std::min<std::uint64_t>(count, std::numeric_limits<std::int64_t>::max()));
}

}  // namespace

std::string CableTexts::summary(const Snapshot& snapshot) const {
  const auto connected = static_cast<std::uint64_t>(
      std::ranges::count_if(snapshot.ports, [](const PortStatus& port) { return port.connected; }));
  std::string summary;
  if (snapshot.ports.empty()) {
    summary = strings_.lookup("No USB-C ports found");
  } else if (connected == 0) {
    summary = strings_.lookup("Nothing plugged in");
  } else {
    summary = fillIntegerPlaceholder(
        strings_.lookupPlural("%lld port in use", "%lld ports in use", connected),
        asInteger(connected));
  }
  if (snapshot.chargerWatts) {
    summary += kListSeparator;
    summary += fillIntegerPlaceholder(strings_.lookup("%lld W"), *snapshot.chargerWatts);
  }
  return summary;
}

std::string CableTexts::portLine(const PortStatus& port) const {
  return titleText(port) + " \u2014 " + stateText(port);
}

PortNotice CableTexts::pluggedNotice(const PortStatus& port) const {
  std::string title = titleText(port) + ": " + stateText(port);
  if (port.speed && !port.speed->empty()) title += kListSeparator + *port.speed;
  return {std::move(title), detailText(port)};
}

std::string CableTexts::rowsNotShown(std::uint64_t count) const {
  return fillIntegerPlaceholder(
      strings_.lookupPlural("%lld port not shown", "%lld ports not shown", count),
      asInteger(count));
}

}  // namespace plugscope
