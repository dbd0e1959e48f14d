#include "scanner/registry.h"

namespace plugscope {

std::optional<RegistryValue> RegistryAccess::searchProperty(EntryRef entry,
                                                            std::string_view key) const {
  std::optional<EntryRef> current = entry;
  while (current) {
    if (auto value = readProperty(*current, key)) return value;
    current = parent(*current);
  }
  return std::nullopt;
}

}  // namespace plugscope
