// Any facts, built from the input, through the rules: writing the registry
// never crashes, and the registry scans to one port per connector, with
// the connector's number and a charger within what USB PD allows.
//
// Each attribute is drawn either from the texts real kernels print (so
// that the rules' paths are taken) or as arbitrary bytes; numbers, names
// and counts are arbitrary within bounds that keep one input fast.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "scanner/port_scan.h"
#include "shared/snapshot_json.h"
#include "sysfs_rules/registry_from_facts.h"
#include "sysfs_rules/sysfs_rules.h"

namespace {

using namespace plugscope;

void check(bool holds) {
  if (!holds) std::abort();
}

const char* const kTexts[] = {
    "yes", "no", "source [sink]", "[source] sink", "[sink]", "sink", "[host] device",
    "ff01", "8087", "05ac", "0x20000000", "0x18000000", "0x00000400", "0x00200000",
    "0x00000000", "zz", "active", "passive", "vpd", "usb4", "tbt", "none", "USB", "USB_PD",
    "USB_C", "Mains", "Battery", "1", "0", "2", "-1", "5000mV", "20000mV", "48001mV",
    "3000mA", "5000mA", "5001mA", "60000mW", "20000000", "3250000", "39000000", "5930000",
    "480", "5000", "10000", "12", "1.5", "unknown", "20.0 Gb/s", "40.0 Gb/s", "1e308 Gb/s",
    "500mA", "896mA", "pd0", "./pd0/", "pd1", "../../usb_power_delivery/pd3",
    "../../../../0000:00:0d.2/domain0/0-0/usb4_port1", "../../domain1/1-0/usb4_port3/", "",
};

const char* const kObjectNames[] = {
    "1:fixed_supply", "2:variable_supply", "3:battery", "4:programmable_supply",
    "5:spr_adjustable_voltage_supply", "6:mystery_supply", "fixed_supply", ":",
};

const char* const kObjectAttributes[] = {
    "voltage", "maximum_current", "maximum_voltage", "minimum_voltage", "maximum_power",
    "maximum_current_15V_to_20V", "operational_current",
};

class Builder {
 public:
  explicit Builder(FuzzedDataProvider& in) : in_(in) {}

  SysfsFacts facts() {
    SysfsFacts f;
    f.connectors.resize(in_.ConsumeIntegralInRange<std::size_t>(0, 8));
    for (ConnectorFacts& c : f.connectors) c = connector();
    f.usbDevices.resize(in_.ConsumeIntegralInRange<std::size_t>(0, 24));
    for (UsbDeviceFacts& d : f.usbDevices) {
      d.name = usbName();
      d.product = text();
      d.speed = text();
      d.maxPower = text();
    }
    f.routers.resize(in_.ConsumeIntegralInRange<std::size_t>(0, 12));
    for (RouterFacts& r : f.routers) {
      r.name = routerName();
      r.deviceName = text();
      r.rxSpeed = text();
      r.rxLanes = text();
      r.txSpeed = text();
      r.txLanes = text();
    }
    f.powerSupplies.resize(in_.ConsumeIntegralInRange<std::size_t>(0, 6));
    for (PowerSupplyFacts& s : f.powerSupplies) {
      s.name = in_.ConsumeRandomLengthString(16);
      s.type = text();
      s.online = text();
      s.voltageMax = text();
      s.currentMax = text();
    }
    return f;
  }

 private:
  SysfsText text() {
    switch (in_.ConsumeIntegralInRange<int>(0, 3)) {
      case 0:
        return std::nullopt;
      case 1:
        return in_.ConsumeRandomLengthString(24);
      default:
        return std::string(in_.PickValueInArray(kTexts));
    }
  }

  std::int64_t number() {
    return in_.ConsumeBool() ? in_.ConsumeIntegralInRange<std::int64_t>(0, 4)
                             : in_.ConsumeIntegral<std::int64_t>();
  }

  sysfs::UsbDeviceName usbName() {
    sysfs::UsbDeviceName name{number(), {}};
    name.path.resize(in_.ConsumeIntegralInRange<std::size_t>(0, 4));
    for (std::int64_t& port : name.path) port = number();
    return name;
  }

  sysfs::RouterName routerName() {
    const std::uint64_t routes[] = {0, 1, 3, 0x301, in_.ConsumeIntegral<std::uint64_t>()};
    const std::string text =
        std::to_string(in_.ConsumeIntegralInRange<int>(0, 2)) + "-" +
        [](std::uint64_t route) {
          char buffer[20];
          std::snprintf(buffer, sizeof buffer, "%llx", static_cast<unsigned long long>(route));
          return std::string(buffer);
        }(in_.PickValueInArray(routes));
    sysfs::RouterName name = sysfs::routerName(text).value_or(sysfs::RouterName{});
    // Facts need not agree with themselves; the rules must not care.
    if (in_.ConsumeBool()) name.depth = in_.ConsumeIntegral<std::int64_t>();
    return name;
  }

  AltModeFacts mode(const std::string& name) {
    AltModeFacts m{name, text(), text(), text(), {}};
    if (in_.ConsumeBool()) m.groups.push_back(ModeGroupFacts{"mode1", text()});
    return m;
  }

  std::vector<PdObjectFacts> objects() {
    std::vector<PdObjectFacts> list(in_.ConsumeIntegralInRange<std::size_t>(0, 5));
    for (PdObjectFacts& o : list) {
      o.name = in_.PickValueInArray(kObjectNames);
      const std::size_t values = in_.ConsumeIntegralInRange<std::size_t>(0, 3);
      for (std::size_t i = 0; i < values; ++i) {
        if (auto value = text()) o.values[in_.PickValueInArray(kObjectAttributes)] = *value;
      }
    }
    return list;
  }

  PowerDeliveryLinks powerDelivery() {
    PowerDeliveryLinks links;
    links.link = text();
    links.sets.resize(in_.ConsumeIntegralInRange<std::size_t>(0, 3));
    const char* const names[] = {"pd0", "pd1", "pd10", "usb_power_delivery", "x"};
    for (PowerDeliveryFacts& set : links.sets) {
      set.name = in_.PickValueInArray(names);
      if (in_.ConsumeBool()) set.sourceCapabilities = objects();
      if (in_.ConsumeBool()) set.sinkCapabilities = objects();
    }
    return links;
  }

  ConnectorFacts connector() {
    ConnectorFacts c;
    c.index = number();
    c.powerRole = text();
    c.usbPorts.resize(in_.ConsumeIntegralInRange<std::size_t>(0, 3));
    for (sysfs::UsbPortRef& port : c.usbPorts) port = {usbName(), number()};
    c.usb4Ports.resize(in_.ConsumeIntegralInRange<std::size_t>(0, 2));
    for (Usb4PortLinkFacts& port : c.usb4Ports) port = {number(), text(), text()};
    c.powerDelivery = powerDelivery();
    if (in_.ConsumeBool()) {
      PartnerFacts partner;
      partner.altModes.resize(in_.ConsumeIntegralInRange<std::size_t>(0, 3));
      for (AltModeFacts& m : partner.altModes) m = mode("port0-partner.0");
      partner.usbDevices.resize(in_.ConsumeIntegralInRange<std::size_t>(0, 3));
      for (sysfs::UsbDeviceName& d : partner.usbDevices) d = usbName();
      partner.powerDelivery = powerDelivery();
      c.partner = std::move(partner);
    }
    if (in_.ConsumeBool()) {
      CableFacts cable;
      cable.type = text();
      cable.identity.idHeader = text();
      cable.identity.productTypeVdo2 = text();
      if (in_.ConsumeBool()) cable.plugs.push_back(PlugFacts{"port0-plug0", {mode("port0-plug0.0")}});
      c.cable = std::move(cable);
    }
    return c;
  }

  FuzzedDataProvider& in_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider in(data, size);
  const SysfsFacts facts = Builder(in).facts();
  const MemoryRegistry registry = registryFromFacts(facts);
  const Snapshot snapshot = scanPorts(registry, {0});
  check(snapshot.ports.size() == facts.connectors.size());
  for (const PortStatus& port : snapshot.ports) {
    bool known = false;
    for (const ConnectorFacts& c : facts.connectors) known = known || port.number == sysfs::portNumber(c);
    check(known);
    check(!port.powerIn || port.connected);
  }
  if (snapshot.chargerWatts) check(*snapshot.chargerWatts >= 0 && *snapshot.chargerWatts <= 240);
  // The same facts decide the same way.
  check(scanPorts(registryFromFacts(facts), {0}) == snapshot);
  (void)encodeSnapshot(snapshot);
  return 0;
}
