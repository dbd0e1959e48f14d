#include "agent/refresh_cycle.h"

namespace plugscope {

RefreshCycle::RefreshCycle(const Clock& clock, PortScanner& scanner, SnapshotMerger& merger,
                           SnapshotWriter& writer, ReloadRequester& reload)
    : clock_(clock), scanner_(scanner), merger_(merger), writer_(writer), reload_(reload) {}

void RefreshCycle::initialRefresh() {
  const Scan scanned = scanner_.scan(clock_.now());
  last_ = scanned.snapshot.ports;
  publishSnapshot(scanned);
}

void RefreshCycle::refresh() {
  const Scan scanned = scanner_.scan(clock_.now());
  if (scanned.snapshot.ports != last_ || saveFailed_) {
    last_ = scanned.snapshot.ports;
    // After a failed save the file still shows older ports than `last`, so
    // this scan is published whether or not it differs.
    publishSnapshot(scanned);
  } else if (scanned.advice != lastAdvice_ || adviceSaveFailed_) {
    publishAdvice(scanned.advice);
  }
}

void RefreshCycle::publishSnapshot(const Scan& scanned) {
  // Advice first: until the snapshot follows, the two files' taken differ
  // and readers show no hints, never hints about other ports.
  lastAdvice_ = scanned.advice;
  adviceSaveFailed_ = !writer_.saveAdvice(Advice{scanned.snapshot.taken, scanned.advice});
  saveFailed_ = !writer_.save(merger_.merge(scanned.snapshot));
  if (!saveFailed_) lastWritten_ = scanned.snapshot.taken;
  reload_.requestReload();
}

void RefreshCycle::publishAdvice(const std::vector<AdviceEntry>& advice) {
  lastAdvice_ = advice;
  // Without a snapshot of ours there is nothing the advice could be about;
  // the next publication saves both.
  if (!lastWritten_) return;
  adviceSaveFailed_ = !writer_.saveAdvice(Advice{*lastWritten_, advice});
  reload_.requestReload();
}

}  // namespace plugscope
