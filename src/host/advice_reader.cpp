#include "host/advice_reader.h"

namespace plugscope {

std::optional<std::vector<AdviceEntry>> hintsMatching(const std::optional<Advice>& advice,
                                                      const Snapshot& drawn) {
  if (!advice || advice->taken != drawn.taken) return std::nullopt;
  return advice->entries;
}

std::optional<std::vector<AdviceEntry>> AdviceReader::adviceFor(const Snapshot& drawn) const {
  return hintsMatching(store_.loadAdvice(), drawn);
}

}  // namespace plugscope
