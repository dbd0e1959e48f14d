#include "platform/linux/gettext_string_table.h"

#include <libintl.h>

#include <algorithm>
#include <limits>

namespace plugscope {
namespace {

// gettext answers the empty key with the catalogue's header, and a key
// with a NUL inside would be cut short: neither is a key of ours.
bool usableKey(std::string_view key) {
  return !key.empty() && key.find('\0') == std::string_view::npos;
}

}  // namespace

GettextStringTable::GettextStringTable(std::string domain, const std::string& localeDirectory)
    : domain_(std::move(domain)) {
  ::bindtextdomain(domain_.c_str(), localeDirectory.c_str());
  ::bind_textdomain_codeset(domain_.c_str(), "UTF-8");
}

std::string GettextStringTable::lookup(std::string_view key) const {
  if (!usableKey(key)) return std::string(key);
  const std::string owned(key);
  return ::dgettext(domain_.c_str(), owned.c_str());
}

std::string GettextStringTable::lookupPlural(std::string_view singular, std::string_view plural,
                                             std::uint64_t count) const {
  if (!usableKey(singular) || !usableKey(plural)) {
    return StringTable::lookupPlural(singular, plural, count);
  }
  // Plural rules are written for unsigned long; any larger count is "many".
  const auto n = static_cast<unsigned long>(
      std::min<std::uint64_t>(count, std::numeric_limits<unsigned long>::max()));
  return ::dngettext(domain_.c_str(), std::string(singular).c_str(), std::string(plural).c_str(),
                     n);
}

}  // namespace plugscope
