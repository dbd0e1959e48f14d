#include "scanner/registry_value.h"

namespace plugscope {

PropertyMap::PropertyMap() = default;
PropertyMap::PropertyMap(const PropertyMap&) = default;
PropertyMap::PropertyMap(PropertyMap&&) noexcept = default;
PropertyMap& PropertyMap::operator=(const PropertyMap&) = default;
PropertyMap& PropertyMap::operator=(PropertyMap&&) noexcept = default;
PropertyMap::~PropertyMap() = default;

void PropertyMap::set(std::string key, RegistryValue value) {
  for (auto& item : items_) {
    if (item.first == key) {
      item.second = std::move(value);
      return;
    }
  }
  items_.emplace_back(std::move(key), std::move(value));
}

const RegistryValue* PropertyMap::find(std::string_view key) const {
  for (const auto& item : items_) {
    if (item.first == key) return &item.second;
  }
  return nullptr;
}

bool operator==(const PropertyMap& a, const PropertyMap& b) { return a.items_ == b.items_; }

}  // namespace plugscope
