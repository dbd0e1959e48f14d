#pragma once

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
};

// For texts that are never translated: every key stands as it is.
class UntranslatedStrings final : public StringTable {
 public:
  std::string lookup(std::string_view key) const override { return std::string(key); }
};

}  // namespace plugscope
