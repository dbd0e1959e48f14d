#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "scanner/registry_value.h"

namespace plugscope {

// Typed reads of one property. Each gives no value when the property is
// missing or holds another kind; the caller then takes its own default.
std::optional<std::string> readString(const PropertyMap& map, std::string_view key);
std::optional<std::int64_t> readInteger(const PropertyMap& map, std::string_view key);
std::optional<bool> readBoolean(const PropertyMap& map, std::string_view key);
// An array whose every element is a string; an empty array qualifies.
std::optional<std::vector<std::string>> readStringList(const PropertyMap& map,
                                                       std::string_view key);
// Points into `map`; valid while `map` lives.
const PropertyMap* readDictionary(const PropertyMap& map, std::string_view key);

// An integer, or a string that follows the integer text rule.
std::optional<std::int64_t> integerViaText(const RegistryValue& value);

}  // namespace plugscope
