#include "agent/refresh_steps.h"

#include "agent/thunderbolt_report.h"
#include "scanner/port_scan.h"

namespace plugscope {

Snapshot RegistryPortScanner::scan(PointInTime taken) {
  // Held for the scan only, so that the source may hand out a newer one.
  const std::shared_ptr<const RegistryAccess> registry = source_.current();
  return scanPorts(*registry, taken);
}

Snapshot ThunderboltMerger::merge(const Snapshot& snapshot) {
  return mergeThunderbolt(snapshot, runner_);
}

}  // namespace plugscope
