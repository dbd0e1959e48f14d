#include "agent/refresh_debounce.h"

#include <algorithm>

namespace plugscope {

void RefreshDebounce::eventAt(Seconds now) {
  if (!first_) first_ = now;
  last_ = now;
}

std::optional<RefreshDebounce::Seconds> RefreshDebounce::due() const {
  if (!first_) return std::nullopt;
  return std::min(last_ + kQuiet, *first_ + kLongest);
}

bool RefreshDebounce::takeDue(Seconds now) {
  const auto when = due();
  if (!when || now < *when) return false;
  first_.reset();
  return true;
}

}  // namespace plugscope
