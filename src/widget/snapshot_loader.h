#pragma once

#include <optional>

#include "shared/snapshot.h"

namespace plugscope {

// The snapshot the agent last stored. None when there is no shared
// directory, no file, or content that does not decode; the reasons are not
// told apart. May be called from any thread.
class SnapshotLoader {
 public:
  virtual ~SnapshotLoader() = default;
  virtual std::optional<Snapshot> loadSnapshot() const = 0;
};

}  // namespace plugscope
