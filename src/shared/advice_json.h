#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "shared/advice.h"
#include "shared/json_record_reader.h"

namespace plugscope {

// The advice document, advice.json and `plugscope-scan --advice`:
//   {"taken":T,"advice":[{"port":N,"hint":"<id>","values":{...},"text":"..."},...]}
// compact UTF-8, members in that order, values in the entry's order,
// numbers and strings written as the snapshot's are. No line break at the
// end. None, writing nothing, when `taken` is not finite.
std::optional<std::string> encodeAdvice(const Advice& advice);

// What a reader keeps at most. Each port has at most one entry per hint, so
// nine hints on each of the 64 ports a snapshot holds fit; a hint carries
// four values at most, eight leave room.
inline constexpr std::size_t kMaxAdviceEntries = 64 * 9;
inline constexpr std::size_t kMaxAdviceValues = 8;

// Strict reading, as the snapshot's: "taken" and "advice" required, each
// entry's "port", "hint", "values" and "text" required and not null, a
// value a whole number within int64 or a string, unknown members ignored,
// any failure fails the whole read. Beyond the bounds above and those of
// json_record_reader.h the read fails as beyondBounds.
JsonReadResult<Advice> decodeAdvice(std::string_view bytes);
std::optional<Advice> decodeAdviceOrNone(std::string_view bytes);

}  // namespace plugscope
