#include "platform/linux/gettext_string_table.h"

#include <libintl.h>

namespace plugscope {

GettextStringTable::GettextStringTable(std::string domain, const std::string& localeDirectory)
    : domain_(std::move(domain)) {
  ::bindtextdomain(domain_.c_str(), localeDirectory.c_str());
  ::bind_textdomain_codeset(domain_.c_str(), "UTF-8");
}

std::string GettextStringTable::lookup(std::string_view key) const {
  // gettext answers the empty key with the catalogue's header, and a key
  // with a NUL inside would be cut short: neither is a key of ours.
  if (key.empty() || key.find('\0') != std::string_view::npos) return std::string(key);
  const std::string owned(key);
  return ::dgettext(domain_.c_str(), owned.c_str());
}

}  // namespace plugscope
