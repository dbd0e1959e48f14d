#include "widget/cable_provider.h"

#include "scanner/port_scan.h"
#include "widget/sample_snapshot.h"

namespace plugscope {

CableProvider::CableProvider(const SnapshotLoader& loader, RegistrySource& registry,
                             const Clock& clock)
    : loader_(loader), registry_(registry), clock_(clock) {}

Snapshot CableProvider::currentSnapshot(PointInTime taken) const {
  if (auto stored = loader_.loadSnapshot()) return std::move(*stored);
  const auto registry = registry_.current();
  if (!registry) return Snapshot{{}, std::nullopt, taken};
  return scanPorts(*registry, taken);
}

CableEntry CableProvider::placeholder(const TimelineContext&) const {
  const PointInTime now = clock_.now();
  return CableEntry{now, sampleSnapshot(clock_)};
}

void CableProvider::getSnapshot(const TimelineContext& context,
                                const std::function<void(const CableEntry&)>& completion) const {
  const PointInTime date = clock_.now();
  if (context.isPreview) {
    completion(CableEntry{date, sampleSnapshot(clock_)});
    return;
  }
  completion(CableEntry{date, currentSnapshot(clock_.now())});
}

void CableProvider::getTimeline(const TimelineContext&,
                                const std::function<void(const Timeline&)>& completion) const {
  const PointInTime now = clock_.now();
  Timeline timeline;
  timeline.entries.push_back(CableEntry{now, currentSnapshot(now)});
  timeline.policy.after = PointInTime{now.seconds + kReloadAfterSeconds};
  completion(timeline);
}

}  // namespace plugscope
