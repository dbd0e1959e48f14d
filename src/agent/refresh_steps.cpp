#include "agent/refresh_steps.h"

#include "agent/thunderbolt_report.h"
#include "scanner/port_scan.h"

namespace plugscope {

Scan RegistryPortScanner::scan(PointInTime taken) {
  // Held for the scan only, so that the source may hand out a newer one.
  RegistryReading reading = source_.reading();
  return {scanPorts(*reading.registry, taken), std::move(reading.advice)};
}

Snapshot ThunderboltMerger::merge(const Snapshot& snapshot) {
  return mergeThunderbolt(snapshot, runner_);
}

}  // namespace plugscope
