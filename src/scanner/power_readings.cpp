#include "scanner/power_readings.h"

#include <algorithm>

#include "scanner/property_reads.h"

namespace plugscope {

std::optional<std::int64_t> readChargerWatts(const RegistryAccess& registry) {
  std::optional<std::int64_t> watts;
  for (EntryRef battery : registry.matching("AppleSmartBattery")) {
    const PropertyMap properties = registry.readProperties(battery);
    if (readBoolean(properties, "ExternalConnected") != true) continue;
    const PropertyMap* adapter = readDictionary(properties, "AdapterDetails");
    if (!adapter) continue;
    // Reaching this point decides, even when "Watts" is missing or no integer.
    watts = readInteger(*adapter, "Watts");
  }
  return watts;
}

bool powerInRule(bool connected, const std::vector<std::string>& features) {
  return connected && std::find(features.begin(), features.end(), "Power In") != features.end();
}

std::optional<double> busPowerRule(std::optional<std::int64_t> busCurrent) {
  if (!busCurrent) return std::nullopt;
  return static_cast<double>(*busCurrent) * 5.0 / 1000.0;
}

}  // namespace plugscope
