#include "scanner/property_reads.h"

#include "shared/integer_text.h"

namespace plugscope {
namespace {

template <typename T>
const T* readAs(const PropertyMap& map, std::string_view key) {
  const RegistryValue* v = map.find(key);
  return v ? std::get_if<T>(&v->kind) : nullptr;
}

}  // namespace

std::optional<std::string> readString(const PropertyMap& map, std::string_view key) {
  if (const auto* s = readAs<std::string>(map, key)) return *s;
  return std::nullopt;
}

std::optional<std::int64_t> readInteger(const PropertyMap& map, std::string_view key) {
  if (const auto* i = readAs<std::int64_t>(map, key)) return *i;
  return std::nullopt;
}

std::optional<bool> readBoolean(const PropertyMap& map, std::string_view key) {
  if (const auto* b = readAs<bool>(map, key)) return *b;
  return std::nullopt;
}

std::optional<std::vector<std::string>> readStringList(const PropertyMap& map,
                                                       std::string_view key) {
  const auto* array = readAs<RegistryArray>(map, key);
  if (!array) return std::nullopt;
  std::vector<std::string> list;
  list.reserve(array->size());
  for (const auto& element : *array) {
    const auto* s = std::get_if<std::string>(&element.kind);
    if (!s) return std::nullopt;
    list.push_back(*s);
  }
  return list;
}

const PropertyMap* readDictionary(const PropertyMap& map, std::string_view key) {
  return readAs<PropertyMap>(map, key);
}

std::optional<std::int64_t> integerViaText(const RegistryValue& value) {
  if (const auto* i = std::get_if<std::int64_t>(&value.kind)) return *i;
  if (const auto* s = std::get_if<std::string>(&value.kind)) return parseIntegerText(*s);
  return std::nullopt;
}

}  // namespace plugscope
