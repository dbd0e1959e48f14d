#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "widget_api/string_table.h"

namespace plugscope {

// A string table that also knows how the user's language counts. Safe to
// call from any thread.
class PluralStringTable : public StringTable {
 public:
  // The form of the text for `count`, keyed by its English singular and
  // plural; untranslated, `singular` for one and `plural` for any other count.
  virtual std::string lookupPlural(std::string_view singular, std::string_view plural,
                                   std::uint64_t count) const = 0;
};

// English as written in the code.
class UntranslatedPluralStrings final : public PluralStringTable {
 public:
  std::string lookup(std::string_view key) const override { return std::string(key); }
  std::string lookupPlural(std::string_view singular, std::string_view plural,
                           std::uint64_t count) const override {
    return std::string(count == 1 ? singular : plural);
  }
};

}  // namespace plugscope
