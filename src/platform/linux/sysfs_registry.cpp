#include "platform/linux/sysfs_registry.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <map>
#include <optional>
#include <tuple>
#include <utility>
#include <vector>

#include "sysfs_rules/sysfs_attributes.h"
#include "sysfs_rules/sysfs_names.h"

namespace plugscope {
namespace {

using sysfs::RouterName;
using sysfs::UsbDeviceName;
using sysfs::UsbLinkSpeed;
using sysfs::UsbPortRef;

// Registry classes of the entries built here, most derived first.
const std::vector<std::string> kPortClasses{"AppleTCControllerType10", "AppleTCController",
                                            "IOPort", "IOService"};
const std::vector<std::string> kTransportClasses{"IOPortTransportState", "IOService"};
const std::vector<std::string> kCableIdentityClasses{"IOPortTransportComponentCCUSBPDSOPp",
                                                     "IOService"};
const std::vector<std::string> kUsbControllerClasses{"AppleUSBXHCI", "IOUSBHostController",
                                                     "IOService"};
const std::vector<std::string> kUsbPortClasses{"AppleUSBHostPort", "IOUSBHostPort", "IOService"};
const std::vector<std::string> kUsbDeviceClasses{"IOUSBHostDevice", "IOService"};
const std::vector<std::string> kRouterClasses{"IOThunderboltSwitchType3", "IOThunderboltSwitch",
                                              "IOService"};
const std::vector<std::string> kBatteryClasses{"AppleSmartBattery", "IOPMPowerSource",
                                               "IOService"};

constexpr std::uint32_t kIdHeaderProductTypeShift = 27;
constexpr std::uint32_t kIdHeaderProductTypeMask = 0x7;
constexpr std::uint32_t kCableTypeActive = 4;
constexpr std::uint32_t kActiveCableVdo2Optical = 1u << 10;
constexpr std::uint32_t kThunderboltCableOptical = 1u << 21;

struct Cable {
  bool emarked = false;
  bool active = false;
  bool optical = false;
};

// What one Type-C connector "portN" tells, gathered before any entry is made.
struct Connector {
  std::string name;  // "portN"
  SysfsDirectory dir;
  SysfsDirectory partner;  // invalid while nothing is attached
  std::int64_t number = 0;
  std::string description;
  bool connected = false;
  bool powerIn = false;
  Cable cable;
  bool displayPort = false;
  bool thunderboltMode = false;
  std::vector<UsbPortRef> usbPorts;
  std::vector<UsbDeviceName> partnerDevices;
  std::vector<std::string> partnerPowerDelivery;  // "pdN" children, in order of N
  std::optional<std::pair<std::int64_t, std::int64_t>> usb4Port;  // domain, adapter
  std::optional<std::string> usb4Link;
  // Filled from the USB devices and routers found on the connector.
  std::optional<double> usb2Megabits;
  std::optional<double> usb3Megabits;
  bool routerPresent = false;
  std::optional<double> cioMegabits;
};

struct UsbDevice {
  UsbDeviceName name;
  std::string entry;  // its name in bus/usb/devices
  const Connector* connector = nullptr;  // the connector it is plugged into
};

struct Router {
  RouterName name;
  std::string entry;  // its name in bus/thunderbolt/devices
};

// Far more than any machine has; each connector holds two descriptors
// while the registry is built.
constexpr std::size_t kMaxConnectors = 64;

bool isIndexSuffix(std::string_view name, std::string_view prefix) {
  if (!name.starts_with(prefix) || name.size() == prefix.size()) return false;
  return std::all_of(name.begin() + static_cast<std::ptrdiff_t>(prefix.size()), name.end(),
                     [](char c) { return c >= '0' && c <= '9'; });
}

void keepFaster(std::optional<double>& slot, double megabits) {
  if (!slot || megabits > *slot) slot = megabits;
}

class Builder {
 public:
  explicit Builder(const SysfsTree& tree)
      : root_(tree.open()),
        usbBus_(root_.directory("bus/usb/devices")),
        thunderboltBus_(root_.directory("bus/thunderbolt/devices")) {}

  MemoryRegistry build() {
    if (!root_.valid()) return {};
    readConnectors();
    const std::vector<UsbDevice> usb = readUsbDevices();
    const std::vector<Router> routers = readRouters();
    for (const Connector& c : connectors_) addPort(c);
    addUsbTree(usb);
    addRouters(routers);
    addBattery();
    return std::move(registry_);
  }

 private:
  // Connectors live in the typec class; test beds that treat typec as a
  // bus have them under bus/typec/devices only.
  void readConnectors() {
    SysfsDirectory base = root_.directory("class/typec");
    if (!base.valid()) base = root_.directory("bus/typec/devices");
    std::vector<std::pair<std::int64_t, std::string>> found;
    for (std::string& name : base.list()) {
      if (auto index = sysfs::typecPortIndex(name)) found.emplace_back(*index, std::move(name));
    }
    std::sort(found.begin(), found.end());
    if (found.size() > kMaxConnectors) found.resize(kMaxConnectors);
    for (auto& [index, name] : found) {
      Connector c;
      c.dir = base.directory(name);
      if (!c.dir.valid()) continue;
      c.name = std::move(name);
      c.number = index + 1;
      c.description = "Port-USB-C@" + std::to_string(c.number);
      readConnector(c);
      connectors_.push_back(std::move(c));
    }
  }

  void readConnector(Connector& c) {
    c.partner = c.dir.directory(c.name + "-partner");
    c.connected = c.partner.valid();
    c.powerIn = c.connected && sysfs::selectedWord(c.dir.read("power_role").value_or("")) == "sink";
    for (const std::string& entry : c.dir.list()) {
      if (auto port = sysfs::usbPortName(entry)) {
        c.usbPorts.push_back(std::move(*port));
      } else if (auto adapter = sysfs::usb4PortIndex(entry)) {
        readUsb4Port(c, entry, *adapter);
      }
    }
    c.cable = readCable(c.dir.directory(c.name + "-cable"), c.name);
    if (c.connected) readPartner(c);
  }

  void readUsb4Port(Connector& c, const std::string& entry, std::int64_t adapter) {
    if (c.usb4Port) return;
    auto target = c.dir.linkTarget(entry);
    if (!target) return;
    auto domain = sysfs::usb4PortDomain(*target);
    if (!domain) return;
    c.usb4Port = std::make_pair(*domain, adapter);
    c.usb4Link = c.dir.read(entry + "/link");
  }

  Cable readCable(const SysfsDirectory& dir, const std::string& portName) {
    Cable cable;
    if (!dir.valid()) return cable;
    const auto header = sysfs::hexWord(dir.read("identity/id_header").value_or(""));
    // An identity of zero means discovery has not completed: not e-marked.
    cable.emarked = header && *header != 0;
    // The driver's own word first; without it, the product type (SOP',
    // bits 29..27) of the identity header that the cable answered with.
    const auto type = dir.read("type");
    if (type == "active" || type == "passive") {
      cable.active = *type == "active";
    } else if (header) {
      cable.active =
          ((*header >> kIdHeaderProductTypeShift) & kIdHeaderProductTypeMask) == kCableTypeActive;
    }
    // Only an active cable's VDO2 carries the copper/optical bit, and only
    // active cables are optical Thunderbolt ones.
    if (!cable.active) return cable;
    const auto vdo2 = sysfs::hexWord(dir.read("identity/product_type_vdo2").value_or(""));
    cable.optical = vdo2 && (*vdo2 & kActiveCableVdo2Optical) != 0;
    for (const char* plug : {"-plug0", "-plug1"}) {
      const std::string plugName = portName + plug;
      for (const std::string& mode : dir.list(plugName)) {
        if (!isIndexSuffix(mode, plugName + ".")) continue;
        const std::string modePath = plugName + "/" + mode;
        if (dir.read(modePath + "/svid") != "8087") continue;
        const auto vdo = sysfs::hexWord(dir.read(modePath + "/vdo").value_or(""));
        if (vdo && (*vdo & kThunderboltCableOptical) != 0) cable.optical = true;
      }
    }
    return cable;
  }

  void readPartner(Connector& c) {
    const std::string modePrefix = c.name + "-partner.";
    for (const std::string& entry : c.partner.list()) {
      if (isIndexSuffix(entry, modePrefix)) {
        // A partner may offer one SVID in several modes; any entered one counts.
        const auto svid = c.partner.read(entry + "/svid");
        if (svid != "ff01" && svid != "8087") continue;
        if (!modeEntered(c.partner, entry)) continue;
        (*svid == "ff01" ? c.displayPort : c.thunderboltMode) = true;
      } else if (auto device = sysfs::usbDeviceName(entry); device && !device->path.empty()) {
        c.partnerDevices.push_back(std::move(*device));
      } else if (isIndexSuffix(entry, "pd")) {
        c.partnerPowerDelivery.push_back(entry);
      }
    }
    // pd2 before pd10.
    std::sort(c.partnerPowerDelivery.begin(), c.partnerPowerDelivery.end(),
              [](const std::string& a, const std::string& b) {
                return std::make_pair(a.size(), a) < std::make_pair(b.size(), b);
              });
  }

  // On a partner, "active" means the mode has been entered. The mode's own
  // "modeK/" group repeats it; older kernels kept it only there.
  static bool modeEntered(const SysfsDirectory& partner, const std::string& entry) {
    if (partner.read(entry + "/active") == "yes") return true;
    for (const std::string& group : partner.list(entry)) {
      if (isIndexSuffix(group, "mode") && partner.read(entry + "/" + group + "/active") == "yes") {
        return true;
      }
    }
    return false;
  }

  std::vector<UsbDevice> readUsbDevices() {
    std::vector<UsbDevice> devices;
    for (std::string& name : usbBus_.list()) {
      if (auto parsed = sysfs::usbDeviceName(name)) {
        devices.push_back(UsbDevice{std::move(*parsed), std::move(name)});
      }
    }
    // Bus, then path: every hub comes before the devices behind it.
    std::sort(devices.begin(), devices.end(),
              [](const UsbDevice& a, const UsbDevice& b) { return a.name < b.name; });
    for (UsbDevice& d : devices) {
      if (d.name.path.empty()) continue;
      Connector* c = connectorOfUsbDevice(d.name);
      if (!c) continue;
      d.connector = c;
      const auto speed = sysfs::usbLinkSpeed(usbBus_.read(d.entry + "/speed").value_or(""));
      if (speed) {
        keepFaster(speed->lane == sysfs::UsbLane::usb3 ? c->usb3Megabits : c->usb2Megabits,
                   speed->megabits);
      }
    }
    return devices;
  }

  std::vector<Router> readRouters() {
    std::vector<Router> routers;
    for (std::string& name : thunderboltBus_.list()) {
      if (auto parsed = sysfs::routerName(name)) {
        routers.push_back(Router{*parsed, std::move(name)});
      }
    }
    std::sort(routers.begin(), routers.end(), [](const Router& a, const Router& b) {
      return std::tie(a.name.domain, a.name.depth, a.name.route) <
             std::tie(b.name.domain, b.name.depth, b.name.route);
    });
    for (const Router& r : routers) {
      if (r.name.depth != 1) continue;
      Connector* c = connectorOnUsb4Port(r.name.domain, static_cast<std::int64_t>(r.name.route));
      if (!c) continue;
      c->routerPresent = true;
      const SysfsDirectory dir = thunderboltBus_.directory(r.entry);
      auto total = [&](const char* speed, const char* lanes) -> std::optional<double> {
        auto perLane = sysfs::gigabitsPerSecond(dir.read(speed).value_or(""));
        if (!perLane) return std::nullopt;
        const auto count = sysfs::integerWithUnit(dir.read(lanes).value_or("1"), "");
        const double megabits =
            *perLane * static_cast<double>(count && *count > 0 ? *count : 1) * 1000.0;
        // Absurd lane texts can overflow; such a link has no rate to show.
        if (!std::isfinite(megabits)) return std::nullopt;
        return megabits;
      };
      // An asymmetric link is as fast as its faster direction.
      for (auto speed : {total("rx_speed", "rx_lanes"), total("tx_speed", "tx_lanes")}) {
        if (speed) keepFaster(c->cioMegabits, *speed);
      }
    }
    return routers;
  }

  Connector* connectorOnUsb4Port(std::int64_t domain, std::int64_t adapter) {
    for (Connector& c : connectors_) {
      if (c.usb4Port == std::make_pair(domain, adapter)) return &c;
    }
    return nullptr;
  }

  // The connector a USB device is plugged into: through its port's link, or
  // through the partner's link to the device itself.
  Connector* connectorOfUsbDevice(const UsbDeviceName& device) {
    UsbPortRef port{UsbDeviceName{device.bus, device.path}, device.path.back()};
    port.hub.path.pop_back();
    for (Connector& c : connectors_) {
      if (std::find(c.usbPorts.begin(), c.usbPorts.end(), port) != c.usbPorts.end()) return &c;
    }
    for (Connector& c : connectors_) {
      if (std::find(c.partnerDevices.begin(), c.partnerDevices.end(), device) !=
          c.partnerDevices.end()) {
        return &c;
      }
    }
    return nullptr;
  }

  void addPort(const Connector& c) {
    PropertyMap properties;
    properties.set("PortTypeDescription", "USB-C");
    properties.set("PortDescription", c.description);
    properties.set("PortNumber", c.number);
    properties.set("ConnectionActive", c.connected);
    properties.set("ActiveCable", c.cable.active);
    properties.set("OpticalCable", c.cable.optical);
    RegistryArray features;
    if (c.powerIn) features.emplace_back("Power In");
    properties.set("FeaturesEnabled", std::move(features));
    const EntryRef port = registry_.add(std::nullopt, kPortClasses, std::move(properties));

    const EntryRef cc = addTransport(port, "CC", c.connected, std::nullopt);
    if (c.cable.emarked) {
      PropertyMap identity;
      identity.set("AddressDescription", "SOP'");
      registry_.add(cc, kCableIdentityClasses, std::move(identity));
    }
    addTransport(port, "USB2", c.usb2Megabits.has_value(), c.usb2Megabits);
    addTransport(port, "USB3", c.usb3Megabits.has_value(), c.usb3Megabits);
    const bool cio = c.thunderboltMode || c.usb4Link == "usb4" || c.usb4Link == "tbt" ||
                     (!c.usb4Link && c.routerPresent);
    addTransport(port, "CIO", cio, cio ? c.cioMegabits : std::nullopt);
    addTransport(port, "DisplayPort", c.displayPort, std::nullopt);
  }

  EntryRef addTransport(EntryRef port, const char* type, bool active,
                        std::optional<double> megabits) {
    PropertyMap properties;
    properties.set("TransportTypeDescription", type);
    properties.set("Active", active);
    if (active && megabits) properties.set("DataRateDescription", sysfs::rateText(*megabits));
    return registry_.add(port, kTransportClasses, std::move(properties));
  }

  // Controller, then one port entry per occupied port, then the device on
  // it, hub by hub: the parent chain of a device leads to the port entry
  // that names its connector.
  void addUsbTree(const std::vector<UsbDevice>& devices) {
    std::map<UsbDeviceName, EntryRef> entries;
    for (const UsbDevice& d : devices) {
      if (d.name.path.empty()) {
        PropertyMap properties;
        properties.set("Bus", d.name.bus);
        entries[d.name] = registry_.add(std::nullopt, kUsbControllerClasses, std::move(properties));
        continue;
      }
      UsbDeviceName hub = d.name;
      hub.path.pop_back();
      const auto parent = entries.find(hub);
      PropertyMap portProperties;
      portProperties.set("port", d.name.path.back());
      if (d.connector) {
        portProperties.set("UsbIOPort",
                           "IOService:/AppleTCControllerType10/" + d.connector->description);
      }
      const EntryRef port = registry_.add(
          parent == entries.end() ? std::nullopt : std::optional<EntryRef>(parent->second),
          kUsbPortClasses, std::move(portProperties));

      PropertyMap properties;
      if (auto product = usbBus_.read(d.entry + "/product")) {
        properties.set("USB Product Name", std::move(*product));
      }
      const auto maxPower = usbBus_.read(d.entry + "/bMaxPower");
      if (auto power = sysfs::integerWithUnit(maxPower.value_or(""), "mA")) {
        properties.set("kUSBBusCurrentAllocation", *power);
      }
      entries[d.name] = registry_.add(port, kUsbDeviceClasses, std::move(properties));
    }
  }

  // Host routers are roots; every other router hangs below the router one
  // hop nearer the host. Depth-1 routers carry the socket of their connector.
  void addRouters(const std::vector<Router>& routers) {
    std::map<std::pair<std::int64_t, std::uint64_t>, EntryRef> entries;
    for (const Router& r : routers) {
      std::optional<EntryRef> parent;
      if (r.name.depth > 0) {
        const int hopBits = 8 * static_cast<int>(r.name.depth - 1);
        const std::uint64_t up =
            hopBits == 0 ? 0 : r.name.route & ((std::uint64_t{1} << hopBits) - 1);
        if (auto found = entries.find({r.name.domain, up}); found != entries.end()) {
          parent = found->second;
        }
      }
      PropertyMap properties;
      properties.set("Depth", r.name.depth);
      if (auto model = thunderboltBus_.read(r.entry + "/device_name")) {
        properties.set("Device Model Name", std::move(*model));
      }
      if (r.name.depth == 1) {
        const auto adapter = static_cast<std::int64_t>(r.name.route);
        if (const Connector* c = connectorOnUsb4Port(r.name.domain, adapter)) {
          properties.set("Socket ID", c->number);
        }
      }
      entries[{r.name.domain, r.name.route}] =
          registry_.add(parent, kRouterClasses, std::move(properties));
    }
  }

  // One entry for all power supplies, and none when the machine lists none.
  void addBattery() {
    const SysfsDirectory all = root_.directory("class/power_supply");
    const std::vector<std::string> supplies = all.list();
    if (supplies.empty()) return;
    // A Type-C controller's supply may read online for hours after its
    // charger was pulled. Where the machine has Type-C ports, a USB supply
    // counts only while one of them takes power from a partner; without
    // any, nothing contradicts it. Mains supplies count on their own.
    const bool usbCounts =
        connectors_.empty() || std::any_of(connectors_.begin(), connectors_.end(),
                                           [](const Connector& c) { return c.powerIn; });
    bool external = false;
    std::optional<double> supplyMilliwatts;
    for (const std::string& name : supplies) {
      auto read = [&](const char* attribute) { return all.read(name + "/" + attribute); };
      const auto type = read("type");
      const bool usb = type && isUsbChargerType(*type);
      if (type != "Mains" && !(usb && usbCounts)) continue;
      const auto online = sysfs::integerWithUnit(read("online").value_or(""), "");
      if (!online || *online < 1) continue;
      external = true;
      if (!usb) continue;
      // The rating, never the present voltage, which UCSI often misreports.
      auto micro = [&](const char* attribute) -> std::optional<double> {
        auto value = sysfs::integerWithUnit(read(attribute).value_or(""), "");
        if (!value) return std::nullopt;
        return static_cast<double>(*value) / 1000.0;
      };
      const sysfs::PowerRating rating{micro("voltage_max"), micro("current_max"), {}};
      if (auto milliwatts = sysfs::plausibleMilliwatts(rating)) {
        keepFaster(supplyMilliwatts, *milliwatts);
      }
    }
    PropertyMap properties;
    properties.set("ExternalConnected", external);
    if (external) {
      // The charger's own advertised objects first: the supply's maximum is
      // derived by firmware from them and is wrong on some machines.
      std::optional<double> milliwatts = advertisedMilliwatts();
      if (!milliwatts) milliwatts = supplyMilliwatts;
      if (auto watts = milliwatts ? sysfs::wattsFromMilliwatts(*milliwatts) : std::nullopt) {
        PropertyMap adapter;
        adapter.set("Watts", *watts);
        properties.set("AdapterDetails", std::move(adapter));
      }
    }
    registry_.add(std::nullopt, kBatteryClasses, std::move(properties));
  }

  // USB chargers by the supply's type, whatever its name: "USB" in mainline,
  // and the kinds older ChromeOS kernels put there for the EC's chargers.
  static bool isUsbChargerType(std::string_view type) {
    return type == "USB" || type == "USB_C" || type == "USB_PD" || type == "USB_PD_DRP";
  }

  // The best plausible source capability that a charging partner
  // advertises, through its usb_power_delivery link or, without one, in a
  // pdN child (as newer UCSI kernels nest it).
  std::optional<double> advertisedMilliwatts() {
    std::optional<double> best;
    for (const Connector& c : connectors_) {
      if (!c.powerIn) continue;
      SysfsDirectory caps = c.partner.directory("usb_power_delivery/source-capabilities");
      for (const std::string& pd : c.partnerPowerDelivery) {
        if (caps.valid()) break;
        caps = c.partner.directory(pd + "/source-capabilities");
      }
      for (const std::string& pdo : caps.list()) {
        if (auto milliwatts = objectMilliwatts(caps, pdo)) keepFaster(best, *milliwatts);
      }
    }
    return best;
  }

  // One source PDO "<position>:<kind>": fixed supplies give voltage x
  // maximum_current, variable and programmable ones maximum_voltage x
  // maximum_current, batteries maximum_power, adjustable-voltage ones 20 V
  // x their 15-20 V current. None for other kinds and implausible values.
  static std::optional<double> objectMilliwatts(const SysfsDirectory& caps,
                                                const std::string& pdo) {
    auto read = [&](const char* name, const char* unit) -> std::optional<double> {
      auto value = sysfs::integerWithUnit(caps.read(pdo + "/" + name).value_or(""), unit);
      if (!value) return std::nullopt;
      return static_cast<double>(*value);
    };
    const std::string_view kind =
        std::string_view(pdo).substr(std::min(pdo.find(':'), pdo.size()));
    sysfs::PowerRating rating;
    if (kind == ":fixed_supply") {
      rating = {read("voltage", "mV"), read("maximum_current", "mA"), {}};
    } else if (kind == ":variable_supply" || kind == ":programmable_supply") {
      rating = {read("maximum_voltage", "mV"), read("maximum_current", "mA"), {}};
    } else if (kind == ":battery") {
      auto power = read("maximum_power", "mW");
      if (!power) return std::nullopt;
      rating = {read("maximum_voltage", "mV"), {}, power};
    } else if (kind == ":spr_adjustable_voltage_supply") {
      rating = {20000.0, read("maximum_current_15V_to_20V", "mA"), {}};
    } else {
      return std::nullopt;
    }
    return sysfs::plausibleMilliwatts(rating);
  }

  const SysfsDirectory root_;
  const SysfsDirectory usbBus_;
  const SysfsDirectory thunderboltBus_;
  std::vector<Connector> connectors_;
  MemoryRegistry registry_;
};

}  // namespace

MemoryRegistry buildSysfsRegistry(const SysfsTree& tree) { return Builder(tree).build(); }

SysfsRegistrySource::SysfsRegistrySource(std::string root) : tree_(std::move(root)) {}

std::shared_ptr<const RegistryAccess> SysfsRegistrySource::current() {
  return std::make_shared<const MemoryRegistry>(buildSysfsRegistry(tree_));
}

}  // namespace plugscope
