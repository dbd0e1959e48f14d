#include "scanner/power_readings.h"

#include <algorithm>

#include "scanner/property_reads.h"
#include "scanner/registry_names.h"

namespace plugscope {

namespace names = registry_names;

std::optional<std::int64_t> readChargerWatts(const RegistryAccess& registry) {
  std::optional<std::int64_t> watts;
  for (EntryRef battery : registry.matching(names::kAppleSmartBattery)) {
    const PropertyMap properties = registry.readProperties(battery);
    if (readBoolean(properties, names::kExternalConnected) != true) continue;
    const PropertyMap* adapter = readDictionary(properties, names::kAdapterDetails);
    if (!adapter) continue;
    // Reaching this point decides, even when "Watts" is missing or no integer.
    watts = readInteger(*adapter, names::kWatts);
  }
  return watts;
}

bool powerInRule(bool connected, const std::vector<std::string>& features) {
  return connected && std::find(features.begin(), features.end(), names::kPowerIn) != features.end();
}

std::optional<double> busPowerRule(std::optional<std::int64_t> busCurrent) {
  if (!busCurrent) return std::nullopt;
  return static_cast<double>(*busCurrent) * 5.0 / 1000.0;
}

}  // namespace plugscope
