#include "agent/refresh_cycle.h"

namespace plugscope {

RefreshCycle::RefreshCycle(const Clock& clock, PortScanner& scanner, SnapshotMerger& merger,
                           SnapshotWriter& writer, ReloadRequester& reload)
    : clock_(clock), scanner_(scanner), merger_(merger), writer_(writer), reload_(reload) {}

void RefreshCycle::initialRefresh() {
  const Snapshot scanned = scanner_.scan(clock_.now());
  last_ = scanned.ports;
  publishSnapshot(scanned);
}

void RefreshCycle::refresh() {
  const Snapshot scanned = scanner_.scan(clock_.now());
  if (scanned.ports == last_ && !saveFailed_) return;
  last_ = scanned.ports;
  // After a failed save the file still shows older ports than `last`, so
  // this scan is published whether or not it differs.
  publishSnapshot(scanned);
}

void RefreshCycle::publishSnapshot(const Snapshot& scanned) {
  saveFailed_ = !writer_.save(merger_.merge(scanned));
  reload_.requestReload();
}

}  // namespace plugscope
