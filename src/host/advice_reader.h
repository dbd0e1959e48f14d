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
  // The hints of the advice about `drawn`, in port order, possibly none;
  // no advice at all when none is about `drawn` (no readable advice, or
  // advice of another taken). A host that announces new hints compares
  // one advice about a snapshot with the next, and skips the reads that
  // give none.
  virtual std::optional<std::vector<AdviceEntry>> adviceFor(const Snapshot& drawn) const = 0;
  // The hints about `drawn`; empty when there are none for it.
  std::vector<AdviceEntry> hintsFor(const Snapshot& drawn) const {
    return adviceFor(drawn).value_or(std::vector<AdviceEntry>{});
  }
};

// The advice's entries when its taken is the drawn snapshot's, else none:
// the agent saves the advice before the snapshot with the same taken, so
// advice of any other taken is about other ports and is never shown.
std::optional<std::vector<AdviceEntry>> hintsMatching(const std::optional<Advice>& advice,
                                                      const Snapshot& drawn);

// Every host's hints: advice.json from the shared container, read afresh
// on each call through the store (the same bounds as the snapshot: a file
// that does not read gives no hints), paired with the drawn snapshot by
// taken. Keeps no state; safe from any thread the store is.
class AdviceReader final : public HintSource {
 public:
  explicit AdviceReader(const SnapshotStore& store) : store_(store) {}
  std::optional<std::vector<AdviceEntry>> adviceFor(const Snapshot& drawn) const override;

 private:
  const SnapshotStore& store_;
};

}  // namespace plugscope
