#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

#include "shared/json_record_reader.h"
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

// What a reader keeps at most; a file with more does not read. The scanner
// reads no more ports than this, and a port speaks a handful of protocols.
inline constexpr std::size_t kMaxSnapshotPorts = 64;
inline constexpr std::size_t kMaxPortProtocols = 64;

// Strict reading: required members present and not null, booleans only
// from true/false, integers whole and within int64 (3.0 reads as 3),
// unknown members ignored, a repeated key taken at its last value, and any
// failure fails the whole read. Memory stays within a small multiple of
// what the records keep: beyond the bounds above and those of
// json_record_reader.h (strings of 4 KiB, ignored members nested 64 deep)
// the read fails as beyondBounds.
JsonReadResult<Snapshot> decodeSnapshot(std::string_view bytes);
JsonReadResult<PortStatus> decodePortStatus(std::string_view bytes);

// Convenience for callers that treat every failure alike.
std::optional<Snapshot> decodeSnapshotOrNone(std::string_view bytes);

}  // namespace plugscope
