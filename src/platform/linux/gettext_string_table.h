#pragma once

#include <string>

#include "widget_api/string_table.h"

namespace plugscope {

// Translations from gettext catalogues of the text domain `domain` under
// `localeDirectory` (<dir>/<language>/LC_MESSAGES/<domain>.mo), in the
// language of the process's LC_MESSAGES locale (as set by setlocale and
// LANGUAGE), always given as UTF-8. Binding a domain is process-wide; each
// plug-in uses a domain of its own.
class GettextStringTable final : public StringTable {
 public:
  GettextStringTable(std::string domain, const std::string& localeDirectory);
  std::string lookup(std::string_view key) const override;

 private:
  std::string domain_;
};

}  // namespace plugscope
