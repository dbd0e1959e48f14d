#include "sysfs_rules/registry_from_facts.h"

#include <algorithm>
#include <map>
#include <string>
#include <tuple>
#include <utility>

#include "scanner/registry_names.h"
#include "sysfs_rules/sysfs_attributes.h"
#include "sysfs_rules/sysfs_rules.h"

namespace plugscope {
namespace {

namespace names = registry_names;

std::vector<std::string> classes(std::initializer_list<std::string_view> list) {
  return {list.begin(), list.end()};
}

void put(PropertyMap& map, std::string_view key, RegistryValue value) {
  map.set(std::string(key), std::move(value));
}

std::string text(std::string_view value) { return std::string(value); }

// The port's description, which USB ports name too: "Port-USB-C@K".
std::string portDescription(const ConnectorFacts& connector) {
  return "Port-USB-C@" + std::to_string(sysfs::portNumber(connector));
}

class Writer {
 public:
  explicit Writer(const SysfsFacts& facts) : facts_(facts) {}

  MemoryRegistry write() && {
    const std::vector<sysfs::UsbLanes> lanes = sysfs::usbLanes(facts_);
    for (std::size_t i = 0; i < facts_.connectors.size(); ++i) addPort(i, lanes[i]);
    addUsbTree();
    addRouters();
    addBattery();
    return std::move(registry_);
  }

 private:
  void addPort(std::size_t i, const sysfs::UsbLanes& lanes) {
    const ConnectorFacts& c = facts_.connectors[i];
    const bool connected = c.partner.has_value();
    const sysfs::CableKind cable = sysfs::cableKind(c.cable);
    PropertyMap properties;
    put(properties, names::kPortTypeDescription, text(names::kUsbC));
    put(properties, names::kPortDescription, portDescription(c));
    put(properties, names::kPortNumber, sysfs::portNumber(c));
    put(properties, names::kConnectionActive, connected);
    put(properties, names::kActiveCable, cable.active);
    put(properties, names::kOpticalCable, cable.optical);
    RegistryArray features;
    if (sysfs::powerIn(c)) features.emplace_back(text(names::kPowerIn));
    put(properties, names::kFeaturesEnabled, std::move(features));
    const EntryRef port = registry_.add(
        std::nullopt,
        classes({names::kTypeCControllerType10, names::kTypeCController, names::kIOPort,
                 names::kIOService}),
        std::move(properties));

    const EntryRef cc = addTransport(port, names::kTransportCC, connected, std::nullopt);
    if (cable.emarked) {
      PropertyMap identity;
      put(identity, names::kAddressDescription, text(names::kCableAddress));
      registry_.add(cc, classes({names::kCableIdentity, names::kIOService}), std::move(identity));
    }
    addTransport(port, names::kTransportUsb2, lanes.usb2Megabits.has_value(), lanes.usb2Megabits);
    addTransport(port, names::kTransportUsb3, lanes.usb3Megabits.has_value(), lanes.usb3Megabits);
    const sysfs::CioLink cio = sysfs::cioLink(facts_, i);
    addTransport(port, names::kTransportCio, cio.active, cio.megabits);
    const bool displayPort = c.partner && sysfs::enteredModes(*c.partner).displayPort;
    addTransport(port, names::kTransportDisplayPort, displayPort, std::nullopt);
  }

  EntryRef addTransport(EntryRef port, std::string_view type, bool active,
                        std::optional<double> megabits) {
    PropertyMap properties;
    put(properties, names::kTransportTypeDescription, text(type));
    put(properties, names::kActive, active);
    if (active && megabits) {
      put(properties, names::kDataRateDescription, sysfs::rateText(*megabits));
    }
    return registry_.add(port, classes({names::kTransportState, names::kIOService}),
                         std::move(properties));
  }

  // Controller, then one port entry per occupied port, then the device on
  // it, hub by hub (bus, then path: every hub before the devices behind
  // it): the parent chain of a device leads to the port entry that names
  // its connector.
  void addUsbTree() {
    std::vector<const UsbDeviceFacts*> devices;
    for (const UsbDeviceFacts& d : facts_.usbDevices) devices.push_back(&d);
    std::stable_sort(devices.begin(), devices.end(),
                     [](const UsbDeviceFacts* a, const UsbDeviceFacts* b) { return a->name < b->name; });
    std::map<sysfs::UsbDeviceName, EntryRef> entries;
    for (const UsbDeviceFacts* d : devices) {
      if (d->name.path.empty()) {
        PropertyMap properties;
        put(properties, names::kBus, d->name.bus);
        entries[d->name] = registry_.add(
            std::nullopt, classes({names::kUsbXhci, names::kUsbHostController, names::kIOService}),
            std::move(properties));
        continue;
      }
      sysfs::UsbDeviceName hub = d->name;
      hub.path.pop_back();
      const auto parent = entries.find(hub);
      PropertyMap portProperties;
      put(portProperties, names::kPort, d->name.path.back());
      if (auto connector = sysfs::connectorOfUsbDevice(facts_, d->name)) {
        put(portProperties, names::kUsbIOPort,
            text(names::kUsbIOPortPrefix) + portDescription(facts_.connectors[*connector]));
      }
      const EntryRef port = registry_.add(
          parent == entries.end() ? std::nullopt : std::optional<EntryRef>(parent->second),
          classes({names::kUsbHostPortType, names::kUsbHostPort, names::kIOService}),
          std::move(portProperties));

      PropertyMap properties;
      if (d->product) put(properties, names::kUsbProductName, *d->product);
      if (auto current = sysfs::busCurrentMilliamps(*d)) {
        put(properties, names::kUsbBusCurrentAllocation, *current);
      }
      entries[d->name] = registry_.add(port, classes({names::kIOUSBHostDevice, names::kIOService}),
                                       std::move(properties));
    }
  }

  // Host routers are roots; every other router hangs below the router one
  // hop nearer the host. Depth-1 routers carry the socket of their connector.
  void addRouters() {
    std::vector<const RouterFacts*> routers;
    for (const RouterFacts& r : facts_.routers) routers.push_back(&r);
    std::stable_sort(routers.begin(), routers.end(), [](const RouterFacts* a, const RouterFacts* b) {
      return std::tie(a->name.domain, a->name.depth, a->name.route) <
             std::tie(b->name.domain, b->name.depth, b->name.route);
    });
    std::map<std::pair<std::int64_t, std::uint64_t>, EntryRef> entries;
    for (const RouterFacts* r : routers) {
      std::optional<EntryRef> parent;
      if (r->name.depth > 0) {
        // The route without its last hop; a route has at most eight.
        const std::int64_t depth = r->name.depth;
        const std::uint64_t up =
            depth < 2 || depth > 8 ? 0 : r->name.route & ((std::uint64_t{1} << (8 * (depth - 1))) - 1);
        if (auto found = entries.find({r->name.domain, up}); found != entries.end()) {
          parent = found->second;
        }
      }
      PropertyMap properties;
      put(properties, names::kDepth, r->name.depth);
      if (r->deviceName) put(properties, names::kDeviceModelName, *r->deviceName);
      if (r->name.depth == 1) {
        const auto adapter = static_cast<std::int64_t>(r->name.route);
        if (auto c = sysfs::connectorOnUsb4Port(facts_, r->name.domain, adapter)) {
          put(properties, names::kSocketId, sysfs::portNumber(facts_.connectors[*c]));
        }
      }
      entries[{r->name.domain, r->name.route}] = registry_.add(
          parent,
          classes({names::kThunderboltSwitchType3, names::kIOThunderboltSwitch, names::kIOService}),
          std::move(properties));
    }
  }

  void addBattery() {
    const sysfs::ChargerReading charger = sysfs::chargerReading(facts_);
    if (!charger.batteryEntry) return;
    PropertyMap properties;
    put(properties, names::kExternalConnected, charger.external);
    if (charger.external && charger.watts) {
      PropertyMap adapter;
      put(adapter, names::kWatts, *charger.watts);
      put(properties, names::kAdapterDetails, std::move(adapter));
    }
    registry_.add(std::nullopt,
                  classes({names::kAppleSmartBattery, names::kPowerSource, names::kIOService}),
                  std::move(properties));
  }

  const SysfsFacts& facts_;
  MemoryRegistry registry_;
};

}  // namespace

MemoryRegistry registryFromFacts(const SysfsFacts& facts) { return Writer(facts).write(); }

}  // namespace plugscope
