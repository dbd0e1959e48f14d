#pragma once

#include <string>

#include "desktop/plural_string_table.h"

namespace plugscope {

// Translations and plural forms from the gettext catalogues of `domain`
// under `localeDirectory`, in the process's LC_MESSAGES language, always as
// UTF-8. Binding a domain is process-wide.
class GettextPluralStringTable final : public PluralStringTable {
 public:
  GettextPluralStringTable(std::string domain, const std::string& localeDirectory);
  std::string lookup(std::string_view key) const override;
  std::string lookupPlural(std::string_view singular, std::string_view plural,
                           std::uint64_t count) const override;

 private:
  std::string domain_;
};

}  // namespace plugscope
