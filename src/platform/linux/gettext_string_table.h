#pragma once

#include <string>

#include "widget_api/string_table.h"

namespace plugscope {

// Translations and plural forms from gettext catalogues of the text domain
// `domain` under `localeDirectory` (<dir>/<language>/LC_MESSAGES/<domain>.mo),
// in the language of the process's LC_MESSAGES locale (as set by setlocale
// and LANGUAGE), always given as UTF-8. Binding a domain is process-wide;
// each plug-in and each host uses a domain of its own.
class GettextStringTable final : public StringTable {
 public:
  GettextStringTable(std::string domain, const std::string& localeDirectory);
  std::string lookup(std::string_view key) const override;
  std::string lookupPlural(std::string_view singular, std::string_view plural,
                           std::uint64_t count) const override;

 private:
  std::string domain_;
};

}  // namespace plugscope
