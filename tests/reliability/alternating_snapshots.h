#pragma once

// The two snapshots the crash-consistency writer saves in turn. They differ
// in size (one port against four), so that a file holding the start of one
// and the end of the other, or a cut-off copy, can never pass for either.

#include <string>
#include <vector>

#include "shared/advice.h"
#include "shared/snapshot.h"

namespace plugscope::test {

inline Snapshot smallSnapshot() {
  PortStatus port;
  port.id = "Port-USB-C@1";
  port.number = 1;
  return {{port}, std::nullopt, {725'000'000.25}};
}

inline Snapshot largeSnapshot() {
  Snapshot snapshot;
  snapshot.chargerWatts = 96;
  snapshot.taken = {725'000'002.5};
  for (std::int64_t number = 1; number <= 4; ++number) {
    PortStatus port;
    port.id = "Port-USB-C@" + std::to_string(number);
    port.number = number;
    port.connected = true;
    port.protocols = {"USB 3", "USB 2"};
    port.speed = "10 Gbps";
    port.device = "Portable SSD with a rather long product name " + std::to_string(number);
    port.smartCable = true;
    port.usbPowerWatts = 4.5;
    port.powerIn = number == 1;
    snapshot.ports.push_back(port);
  }
  return snapshot;
}

// The advice about each of the two snapshots, in two versions each (as a
// battery that starts to discharge changes the advice alone). Every entry
// names the snapshot it is about, so a reader can tell advice of the other.
inline std::vector<AdviceEntry> adviceAbout(const Snapshot& snapshot, int version) {
  const std::string about = snapshot.ports.size() == 1 ? "small" : "large";
  std::vector<AdviceEntry> entries;
  for (const PortStatus& port : snapshot.ports) {
    entries.push_back({port.number, "about-" + about, {{"version", version}}, about});
  }
  return entries;
}

// One of the two snapshots, whatever its taken (the publisher dates each
// scan by the clock).
inline bool isPublishedSnapshot(Snapshot snapshot) {
  const Snapshot small = smallSnapshot(), large = largeSnapshot();
  snapshot.taken = small.taken;
  if (snapshot == small) return true;
  snapshot.taken = large.taken;
  return snapshot == large;
}

// One of the four versions of advice above.
inline bool isPublishedAdvice(const std::vector<AdviceEntry>& entries) {
  for (const Snapshot& about : {smallSnapshot(), largeSnapshot()}) {
    if (entries == adviceAbout(about, 1) || entries == adviceAbout(about, 2)) return true;
  }
  return false;
}

}  // namespace plugscope::test
