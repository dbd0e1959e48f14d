#pragma once

#include "scanner/registry_source.h"
#include "shared/clock.h"
#include "widget/snapshot_loader.h"
#include "widget_api/timeline_provider.h"

namespace plugscope {

// The widget's provider: the agent's stored snapshot, of any age, when one
// loads; else a live scan in this process. Holds nothing between requests.
// The loader, registry source and clock must outlive the provider and be
// callable from whichever threads call the provider.
class CableProvider final : public TimelineProvider {
 public:
  // Seconds from an entry's date to the host's next request.
  static constexpr double kReloadAfterSeconds = 300.0;

  CableProvider(const SnapshotLoader& loader, RegistrySource& registry, const Clock& clock);

  // The stored snapshot unchanged; without one, a scan whose `taken` is
  // the time given.
  Snapshot currentSnapshot(PointInTime taken) const;

  // Now and the sample; reads neither the file nor the registry.
  CableEntry placeholder(const TimelineContext& context) const override;
  // The sample in a preview; otherwise currentSnapshot at a second reading
  // of the clock. The entry's date is the first reading.
  void getSnapshot(const TimelineContext& context,
                   const std::function<void(const CableEntry&)>& completion) const override;
  // One entry dated now, holding currentSnapshot(now); reload at now + 300 s.
  // The preview flag is not consulted.
  void getTimeline(const TimelineContext& context,
                   const std::function<void(const Timeline&)>& completion) const override;

 private:
  const SnapshotLoader& loader_;
  RegistrySource& registry_;
  const Clock& clock_;
};

}  // namespace plugscope
