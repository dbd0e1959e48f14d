#pragma once

#include <vector>

#include "agent/refresh_steps.h"
#include "agent/reload_requester.h"
#include "shared/clock.h"
#include "shared/port_status.h"
#include "shared/snapshot.h"

namespace plugscope {

// The agent's unit of work: scan, decide whether the ports changed since
// the last publication, and if so merge, save and request a reload. Owns
// `last`, the ports of the last published scan before the merge. Used from
// one thread; refreshes never overlap.
class RefreshCycle {
 public:
  RefreshCycle(const Clock& clock, PortScanner& scanner, SnapshotMerger& merger,
               SnapshotWriter& writer, ReloadRequester& reload);

  // The launch refresh: publishes whatever the scan finds.
  void initialRefresh();
  // The timer's and the device events' refresh: publishes when the scanned
  // ports differ from `last` (chargerWatts and taken are not compared), or
  // when the last save wrote nothing.
  void refresh();
  // Merge, save, then request the reload whatever the save did.
  void publishSnapshot(const Snapshot& scanned);

  const std::vector<PortStatus>& last() const { return last_; }

 private:
  const Clock& clock_;
  PortScanner& scanner_;
  SnapshotMerger& merger_;
  SnapshotWriter& writer_;
  ReloadRequester& reload_;
  std::vector<PortStatus> last_;
  bool saveFailed_ = false;
};

}  // namespace plugscope
