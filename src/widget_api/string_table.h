#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace plugscope {

// A widget's translated texts. lookup gives the translation of `key` for
// the user's language, or `key` itself when there is none. Safe to call
// from any thread.
class StringTable {
 public:
  virtual ~StringTable() = default;
  virtual std::string lookup(std::string_view key) const = 0;
  // The form of a text for `count`, keyed by its English singular and
  // plural, with the language's plural rules. Untranslated (and unless
  // overridden): `singular` for one, `plural` for any other count.
  virtual std::string lookupPlural(std::string_view singular, std::string_view plural,
                                   std::uint64_t count) const {
    return std::string(count == 1 ? singular : plural);
  }
};

// For texts that are never translated: every key stands as it is.
class UntranslatedStrings final : public StringTable {
 public:
  std::string lookup(std::string_view key) const override { return std::string(key); }
};

}  // namespace plugscope
