#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <variant>

#include "shared/port_status.h"
#include "shared/snapshot.h"

namespace plugscope {

enum class JsonLayout {
  compact,  // the snapshot file's form: no whitespace, no final line break
  pretty,   // the same members, indented two spaces, for people
};

// Writes the snapshot's JSON. Optional members that are absent are left
// out. Fails as a whole (no bytes) when usbPowerWatts of any port or
// taken is not finite.
std::optional<std::string> encodeSnapshot(const Snapshot& snapshot,
                                          JsonLayout layout = JsonLayout::compact);
std::optional<std::string> encodePortStatus(const PortStatus& port,
                                            JsonLayout layout = JsonLayout::compact);

enum class JsonReadFailure {
  malformedJson,  // not one JSON value, or not an object where one is needed
  missingKey,     // a required member is missing
  nullValue,      // a required member is null
  wrongType,      // a value of the wrong kind, or a number that is not a valid integer
};

struct JsonReadError {
  JsonReadFailure failure;
  std::string where;  // JSON pointer of the offending member, for people
};

template <typename T>
using JsonReadResult = std::variant<T, JsonReadError>;

// Strict reading: required members present and not null, booleans only
// from true/false, integers whole and within int64 (3.0 reads as 3),
// unknown members ignored, and any failure fails the whole read.
JsonReadResult<Snapshot> decodeSnapshot(std::string_view bytes);
JsonReadResult<PortStatus> decodePortStatus(std::string_view bytes);

// Convenience for callers that treat every failure alike.
std::optional<Snapshot> decodeSnapshotOrNone(std::string_view bytes);

}  // namespace plugscope
