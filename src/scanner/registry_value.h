#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

namespace plugscope {

struct RegistryValue;

// Properties keyed by exact, case-sensitive strings. Keeps the order in
// which they were given; a key given twice keeps its first place and its
// last value.
class PropertyMap {
 public:
  using Item = std::pair<std::string, RegistryValue>;

  PropertyMap();
  PropertyMap(const PropertyMap&);
  PropertyMap(PropertyMap&&) noexcept;
  PropertyMap& operator=(const PropertyMap&);
  PropertyMap& operator=(PropertyMap&&) noexcept;
  ~PropertyMap();

  void set(std::string key, RegistryValue value);
  // The value under `key`, or nullptr.
  const RegistryValue* find(std::string_view key) const;

  bool empty() const;
  std::size_t size() const;
  const std::vector<Item>& items() const;

  friend bool operator==(const PropertyMap&, const PropertyMap&);

 private:
  std::vector<Item> items_;
};

using RegistryArray = std::vector<RegistryValue>;

struct RegistryData {
  std::vector<std::uint8_t> bytes;
  friend bool operator==(const RegistryData&, const RegistryData&) = default;
};

// Any kind the scanner never accepts, such as a floating-point number.
struct RegistryOther {
  double number = 0.0;
  friend bool operator==(const RegistryOther&, const RegistryOther&) = default;
};

struct RegistryValue {
  using Kind = std::variant<bool, std::int64_t, std::string, RegistryArray, PropertyMap,
                            RegistryData, RegistryOther>;
  Kind kind;

  RegistryValue() : kind(false) {}
  template <typename T>
    requires std::is_constructible_v<Kind, T&&> && (!std::is_same_v<std::decay_t<T>, RegistryValue>)
  RegistryValue(T&& v) : kind(std::forward<T>(v)) {}  // NOLINT: implicit on purpose
  RegistryValue(const char* s) : kind(std::string(s)) {}  // NOLINT
  RegistryValue(int v) : kind(static_cast<std::int64_t>(v)) {}  // NOLINT

  friend bool operator==(const RegistryValue&, const RegistryValue&) = default;
};

// Defined here, where RegistryValue is complete.
inline bool PropertyMap::empty() const { return items_.empty(); }
inline std::size_t PropertyMap::size() const { return items_.size(); }
inline const std::vector<PropertyMap::Item>& PropertyMap::items() const { return items_; }

}  // namespace plugscope
