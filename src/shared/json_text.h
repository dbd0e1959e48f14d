#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace plugscope {

// Pieces of our exact JSON output form; every writer in the system goes
// through these so that equal values always give equal bytes.

// Quotation mark, backslash and solidus are escaped with a backslash;
// \b \f \n \r \t use their short forms; every other byte below 0x20 becomes
// \u00xx (lower-case hex). Everything else is copied as UTF-8; a byte
// sequence that is not valid UTF-8 is replaced by U+FFFD so that the output
// is always readable JSON.
void appendJsonString(std::string& out, std::string_view text);

// Shortest digits that read back as the same double, laid out as
// ECMAScript's Number::toString does (15 -> "15", 1e21 -> "1e+21",
// 1.5e-8 -> "1.5e-8"), except that -0.0 is written "-0".
// Returns false, appending nothing, for NaN and infinities.
bool appendJsonNumber(std::string& out, double value);

void appendJsonInteger(std::string& out, std::int64_t value);

}  // namespace plugscope
