#include "widget/sample_snapshot.h"

namespace plugscope {

Snapshot makeSampleSnapshot(PointInTime taken) {
  PortStatus phone;
  phone.id = "Port-USB-C@1";
  phone.number = 1;
  phone.connected = true;
  phone.protocols = {"USB 3", "USB 2"};
  phone.speed = "10 Gbps";
  phone.device = "iPhone";
  phone.smartCable = true;
  phone.usbPowerWatts = 4.5;

  PortStatus empty;
  empty.id = "Port-USB-C@2";
  empty.number = 2;

  return Snapshot{{phone, empty}, std::nullopt, taken};
}

const Snapshot& sampleSnapshot(const Clock& clock) {
  // A function-local static: the language guarantees one initialisation
  // even when threads race to it.
  static const Snapshot sample = makeSampleSnapshot(clock.now());
  return sample;
}

}  // namespace plugscope
