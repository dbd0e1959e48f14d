#include "platform/linux/gettext_plural_string_table.h"

#include <libintl.h>

#include <limits>

namespace plugscope {
namespace {

// The empty key would give the catalogue's header, and a NUL would cut the
// key short: neither is one of ours.
bool usableKey(std::string_view key) {
  return !key.empty() && key.find('\0') == std::string_view::npos;
}

}  // namespace

GettextPluralStringTable::GettextPluralStringTable(std::string domain,
                                                   const std::string& localeDirectory)
    : domain_(std::move(domain)) {
  ::bindtextdomain(domain_.c_str(), localeDirectory.c_str());
  ::bind_textdomain_codeset(domain_.c_str(), "UTF-8");
}

std::string GettextPluralStringTable::lookup(std::string_view key) const {
  if (!usableKey(key)) return std::string(key);
  return ::dgettext(domain_.c_str(), std::string(key).c_str());
}

std::string GettextPluralStringTable::lookupPlural(std::string_view singular,
                                                   std::string_view plural,
                                                   std::uint64_t count) const {
  if (!usableKey(singular) || !usableKey(plural)) {
    return std::string(count == 1 ? singular : plural);
  }
  // Plural rules are written for unsigned long; any larger count is "many".
  const auto n = static_cast<unsigned long>(
      std::min<std::uint64_t>(count, std::numeric_limits<unsigned long>::max()));
  return ::dngettext(domain_.c_str(), std::string(singular).c_str(), std::string(plural).c_str(),
                     n);
}

}  // namespace plugscope
