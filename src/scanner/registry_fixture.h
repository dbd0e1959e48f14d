#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "scanner/memory_registry.h"

namespace plugscope {

// Loads a registry fixture:
//   { "entries": [ ENTRY, ... ] }
//   ENTRY = { "classes": [string, ...],        required, non-empty
//             "properties": { key: VALUE, ... }, optional, order kept
//             "children": [ ENTRY, ... ] }       optional
//   VALUE = true|false -> boolean; an integer literal within int64 -> integer;
//           a number with fraction or exponent -> other; "text" -> string;
//           [VALUE, ...] -> array; {"$data": "<base64>"} alone -> data;
//           any other object -> dictionary.
// Other members are ignored. On failure gives none and sets `error` to one
// line naming the problem and its JSON pointer; never a partial registry.
std::optional<MemoryRegistry> loadRegistryFixture(std::string_view json, std::string& error);

// Deepest nesting of JSON arrays and objects a fixture may have.
inline constexpr std::size_t kMaxFixtureDepth = 1000;

}  // namespace plugscope
