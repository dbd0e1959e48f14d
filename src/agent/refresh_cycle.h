#pragma once

#include <optional>
#include <vector>

#include "agent/refresh_steps.h"
#include "agent/reload_requester.h"
#include "shared/advice.h"
#include "shared/clock.h"
#include "shared/port_status.h"
#include "shared/snapshot.h"

namespace plugscope {

// The agent's unit of work: scan, decide whether the ports changed since
// the last publication, and if so merge, save and request a reload. Owns
// `last`, the ports of the last published scan before the merge. Used from
// one thread; refreshes never overlap.
//
// The advice about the ports goes beside the snapshot: a publication saves
// the advice first and then the snapshot, both with the scan's taken, so a
// reader that finds both with the same taken holds the advice of that
// snapshot. When only the advice changes (a battery starts to discharge),
// it is saved alone, with the taken of the snapshot last written.
class RefreshCycle {
 public:
  RefreshCycle(const Clock& clock, PortScanner& scanner, SnapshotMerger& merger,
               SnapshotWriter& writer, ReloadRequester& reload);

  // The launch refresh: publishes whatever the scan finds.
  void initialRefresh();
  // The timer's and the device events' refresh: publishes when the scanned
  // ports differ from `last` (chargerWatts and taken are not compared), or
  // when the last save wrote nothing; else saves the advice alone when it
  // differs from the last advice saved, or that save wrote nothing.
  void refresh();
  // Saves the advice, then merges and saves the snapshot, then requests the
  // reload whatever the saves did.
  void publishSnapshot(const Scan& scanned);

  const std::vector<PortStatus>& last() const { return last_; }

 private:
  void publishAdvice(const std::vector<AdviceEntry>& advice);

  const Clock& clock_;
  PortScanner& scanner_;
  SnapshotMerger& merger_;
  SnapshotWriter& writer_;
  ReloadRequester& reload_;
  std::vector<PortStatus> last_;
  bool saveFailed_ = false;
  std::vector<AdviceEntry> lastAdvice_;
  bool adviceSaveFailed_ = false;
  std::optional<PointInTime> lastWritten_;  // taken of the snapshot last written
};

}  // namespace plugscope
