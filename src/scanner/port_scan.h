#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "scanner/attached_devices.h"
#include "scanner/registry.h"
#include "shared/point_in_time.h"
#include "shared/snapshot.h"

namespace plugscope {

// One full scan: every USB-C port entry as a PortStatus, sorted stably by
// number, with the charger reading and `taken` as given. Never fails; what
// cannot be read is left out or takes its default. Keeps no state.
Snapshot scanPorts(const RegistryAccess& registry, PointInTime taken);

// Appends zero or one PortStatus for one "IOPort" entry.
void classifyPort(const RegistryAccess& registry, EntryRef entry,
                  const std::map<std::string, UsbDevice>& usbDevicesByPort,
                  const std::map<std::int64_t, std::string>& thunderboltDevicesBySocket,
                  std::vector<PortStatus>& ports);

struct SpeedCandidate {
  std::int64_t priority = 0;
  std::string text;
};

// Reads one child of a port entry: may mark a smart cable, add a protocol
// and add a speed candidate.
void readLink(const RegistryAccess& registry, EntryRef child, PortStatus& port,
              std::vector<SpeedCandidate>& speeds);

// The port number a description ends in: its last non-empty "@" piece by
// the integer text rule, else 0.
std::int64_t numberFromDescription(std::string_view description);

}  // namespace plugscope
