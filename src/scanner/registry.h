#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "scanner/registry_value.h"

namespace plugscope {

// Opaque handle of one registry entry, valid for the life of the registry
// that handed it out.
struct EntryRef {
  std::uint64_t id = 0;
  friend bool operator==(EntryRef, EntryRef) = default;
};

// The scanner's only view of the hardware registry: one tree of entries in
// the service plane. Every operation is total: a failure reads as the empty
// result (no entries, no children, no parent, an empty map, no value).
// Implementations hold no per-call state and are used from one thread at a
// time.
class RegistryAccess {
 public:
  virtual ~RegistryAccess() = default;

  // Every entry of class `className` (derived classes included), in
  // registry order.
  virtual std::vector<EntryRef> matching(std::string_view className) const = 0;
  // The entry's children, in registry order.
  virtual std::vector<EntryRef> children(EntryRef entry) const = 0;
  // The entry's parent; none at a root.
  virtual std::optional<EntryRef> parent(EntryRef entry) const = 0;
  // All properties of the entry; an empty map on any failure.
  virtual PropertyMap readProperties(EntryRef entry) const = 0;
  // One property of the entry itself (no search of ancestors).
  virtual std::optional<RegistryValue> readProperty(EntryRef entry, std::string_view key) const = 0;
  // The property from the entry itself, else from its nearest ancestor that
  // has it; none when no entry on the way to the root has it.
  virtual std::optional<RegistryValue> searchProperty(EntryRef entry, std::string_view key) const;
};

}  // namespace plugscope
