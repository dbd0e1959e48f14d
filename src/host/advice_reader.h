#pragma once

#include <optional>
#include <vector>

#include "shared/advice.h"
#include "shared/snapshot.h"
#include "shared/snapshot_store.h"

namespace plugscope {

// The hints a host shows beside its drawing of a snapshot.
class HintSource {
 public:
  virtual ~HintSource() = default;
  // The hints about `drawn`, in port order; empty when there are none for it.
  virtual std::vector<AdviceEntry> hintsFor(const Snapshot& drawn) const = 0;
};

// The advice's entries when its taken is the drawn snapshot's, else none:
// the agent saves the advice before the snapshot with the same taken, so
// advice of any other taken is about other ports and is never shown.
std::vector<AdviceEntry> hintsMatching(const std::optional<Advice>& advice, const Snapshot& drawn);

// Every host's hints: advice.json from the shared container, read afresh
// on each call through the store (the same bounds as the snapshot: a file
// that does not read gives no hints), paired with the drawn snapshot by
// taken. Keeps no state; safe from any thread the store is.
class AdviceReader final : public HintSource {
 public:
  explicit AdviceReader(const SnapshotStore& store) : store_(store) {}
  std::vector<AdviceEntry> hintsFor(const Snapshot& drawn) const override;

 private:
  const SnapshotStore& store_;
};

}  // namespace plugscope
