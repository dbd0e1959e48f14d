#include "host/advice_reader.h"

namespace plugscope {

std::vector<AdviceEntry> hintsMatching(const std::optional<Advice>& advice, const Snapshot& drawn) {
  if (!advice || advice->taken != drawn.taken) return {};
  return advice->entries;
}

std::vector<AdviceEntry> AdviceReader::hintsFor(const Snapshot& drawn) const {
  return hintsMatching(store_.loadAdvice(), drawn);
}

}  // namespace plugscope
