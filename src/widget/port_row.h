#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "shared/port_status.h"
#include "widget_api/view_node.h"

namespace plugscope {

// The texts of one port's row. All are shown as they stand, except
// chargingText, which is a string table key with the watts as argument.

// "USB-C " and the port's number in decimal.
std::string titleText(const PortStatus& port);
// Connected: the device's name when there is one (even an empty one), else
// "Connected". Not connected: "Nothing plugged in".
std::string stateText(const PortStatus& port);
// Key "Charging the Mac · %lld W" with the charger's watts.
TextContent chargingText(std::int64_t chargerWatts);
// "Smart cable", "Active", "Optical" as flagged, joined with " · ";
// none when not connected or when no flag is set.
std::optional<std::string> cableDescription(const PortStatus& port);
// Protocols joined with ", ", the cable description, and the bus power as
// "%.1f W" (full stop whatever the locale); empty parts are left out and
// the rest joined with " · ". Empty when nothing remains.
std::string detailText(const PortStatus& port);
// "%.1f W" with a full stop, independent of the process's locale.
std::string formatWatts(double watts);

// Which lines a row shows.
bool showsSpeedBadge(const PortStatus& port);
bool showsChargingLine(const PortStatus& port, std::optional<std::int64_t> charger);
bool showsDetailLine(const PortStatus& port, bool compact);

// One port's row: status dot, title with speed badge, state line, and the
// charging and detail lines when they apply. `compact` in the small family;
// `charger` is the snapshot's chargerWatts. Identified by the port's id.
ViewNode portRow(const PortStatus& port, bool compact, std::optional<std::int64_t> charger);

// The symbol shown before the charger's wattage.
inline constexpr const char* kBoltSymbol = "bolt.fill";
// " · ": space, U+00B7 MIDDLE DOT, space.
inline constexpr const char* kListSeparator = " \u00b7 ";

}  // namespace plugscope
