#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "scanner/registry.h"

namespace plugscope {

// The external adapter's watts, as the adapter reports them. Of all
// battery entries, the last one that is on external power and carries an
// "AdapterDetails" dictionary decides: its "Watts" when that is an
// integer, else none.
std::optional<std::int64_t> readChargerWatts(const RegistryAccess& registry);

// True exactly when the port is connected and its features hold
// "Power In".
bool powerInRule(bool connected, const std::vector<std::string>& features);

// Bus current in mA to watts at 5 V: mA × 5.0 / 1000.0, unclamped.
std::optional<double> busPowerRule(std::optional<std::int64_t> busCurrent);

}  // namespace plugscope
