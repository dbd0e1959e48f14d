#include "platform/linux/registry/sysfs_facts_reader.h"

#include <algorithm>
#include <array>
#include <string_view>
#include <utility>

#include "sysfs_rules/sysfs_names.h"

namespace plugscope {
namespace {

// Far more than any machine has; bounds the work a hostile tree can ask.
constexpr std::size_t kMaxConnectors = 64;

// Every attribute a power data object can have, of every kind, source or
// sink. A listing of the object's directory is filtered by these, so that
// the object's "uevent" and links are never read as values.
constexpr std::array<std::string_view, 19> kPdObjectAttributes{
    "dual_role_power",   "usb_suspend_supported", "higher_capability",
    "unconstrained_power", "usb_communication_capable", "dual_role_data",
    "unchunked_extended_messages_supported", "peak_current", "fast_role_swap_current",
    "voltage",           "maximum_current",      "operational_current",
    "maximum_voltage",   "minimum_voltage",      "maximum_power",
    "operational_power", "pps_power_limited",    "maximum_current_9V_to_15V",
    "maximum_current_15V_to_20V"};

bool isPdObjectAttribute(std::string_view name) {
  return std::find(kPdObjectAttributes.begin(), kPdObjectAttributes.end(), name) !=
         kPdObjectAttributes.end();
}

// "pd2" before "pd10".
void sortByIndex(std::vector<std::string>& names) {
  std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
    return std::make_pair(a.size(), a) < std::make_pair(b.size(), b);
  });
}

AltModeFacts readAltMode(const SysfsDirectory& owner, const std::string& name) {
  AltModeFacts mode;
  mode.name = name;
  const SysfsDirectory dir = owner.directory(name);
  mode.svid = dir.read("svid");
  mode.vdo = dir.read("vdo");
  mode.active = dir.read("active");
  for (std::string& group : dir.list()) {
    if (!sysfs::isIndexedName(group, "mode")) continue;
    SysfsText active = dir.read(group + "/active");
    mode.groups.push_back(ModeGroupFacts{std::move(group), std::move(active)});
  }
  return mode;
}

// The alternate modes "<owner>.<index>" among a device's entries.
std::vector<AltModeFacts> readAltModes(const SysfsDirectory& owner, const std::string& ownerName,
                                       const std::vector<std::string>& entries) {
  std::vector<AltModeFacts> modes;
  for (const std::string& entry : entries) {
    if (sysfs::isIndexedName(entry, ownerName + ".")) modes.push_back(readAltMode(owner, entry));
  }
  return modes;
}

IdentityFacts readIdentity(const SysfsDirectory& owner) {
  IdentityFacts identity;
  const SysfsDirectory dir = owner.directory("identity");
  if (!dir.valid()) return identity;
  identity.idHeader = dir.read("id_header");
  identity.product = dir.read("product");
  identity.productTypeVdo1 = dir.read("product_type_vdo1");
  identity.productTypeVdo2 = dir.read("product_type_vdo2");
  identity.productTypeVdo3 = dir.read("product_type_vdo3");
  return identity;
}

std::optional<std::vector<PdObjectFacts>> readCapabilities(const SysfsDirectory& set,
                                                           const char* name) {
  const SysfsDirectory dir = set.directory(name);
  if (!dir.valid()) return std::nullopt;
  std::vector<PdObjectFacts> objects;
  for (std::string& entry : dir.list()) {
    // Objects are "<position>:<kind>"; the rest is the directory's own.
    if (entry.find(':') == std::string::npos) continue;
    PdObjectFacts object;
    const SysfsDirectory objectDir = dir.directory(entry);
    for (const std::string& attribute : objectDir.list()) {
      if (!isPdObjectAttribute(attribute)) continue;
      if (auto value = objectDir.read(attribute)) object.values.emplace(attribute, std::move(*value));
    }
    object.name = std::move(entry);
    objects.push_back(std::move(object));
  }
  return objects;
}

// None when the set's directory cannot be opened.
std::optional<PowerDeliveryFacts> readPowerDeliverySet(const SysfsDirectory& owner,
                                                       const std::string& name) {
  const SysfsDirectory dir = owner.directory(name);
  if (!dir.valid()) return std::nullopt;
  PowerDeliveryFacts set;
  set.name = name;
  set.revision = dir.read("revision");
  set.sourceCapabilities = readCapabilities(dir, "source-capabilities");
  set.sinkCapabilities = readCapabilities(dir, "sink-capabilities");
  return set;
}

// The "pdN" children and the "usb_power_delivery" link among a device's
// entries. A link to one of the children is not read a second time.
PowerDeliveryLinks readPowerDelivery(const SysfsDirectory& owner,
                                     const std::vector<std::string>& entries) {
  PowerDeliveryLinks links;
  std::vector<std::string> children;
  bool linked = false;
  for (const std::string& entry : entries) {
    if (sysfs::isIndexedName(entry, "pd")) children.push_back(entry);
    if (entry == kUsbPowerDeliveryLink) linked = true;
  }
  sortByIndex(children);
  for (const std::string& child : children) {
    if (auto set = readPowerDeliverySet(owner, child)) links.sets.push_back(std::move(*set));
  }
  if (!linked) return links;
  const std::string link(kUsbPowerDeliveryLink);
  links.link = owner.linkTarget(link);
  const std::string_view child = links.link ? sysfs::linkedChildName(*links.link) : "";
  if (child.empty() || std::find(children.begin(), children.end(), child) == children.end()) {
    if (auto set = readPowerDeliverySet(owner, link)) links.sets.push_back(std::move(*set));
  }
  return links;
}

PartnerFacts readPartner(const SysfsDirectory& dir, const std::string& name) {
  PartnerFacts partner;
  partner.type = dir.read("type");
  partner.usbPowerDeliveryRevision = dir.read("usb_power_delivery_revision");
  partner.usbMode = dir.read("usb_mode");
  partner.identity = readIdentity(dir);
  const std::vector<std::string> entries = dir.list();
  partner.altModes = readAltModes(dir, name, entries);
  for (const std::string& entry : entries) {
    auto device = sysfs::usbDeviceName(entry);
    if (device && !device->path.empty()) partner.usbDevices.push_back(std::move(*device));
  }
  partner.powerDelivery = readPowerDelivery(dir, entries);
  return partner;
}

CableFacts readCable(const SysfsDirectory& dir, const std::string& portName) {
  CableFacts cable;
  cable.type = dir.read("type");
  cable.plugType = dir.read("plug_type");
  cable.usbPowerDeliveryRevision = dir.read("usb_power_delivery_revision");
  cable.identity = readIdentity(dir);
  for (const char* suffix : {"-plug0", "-plug1"}) {
    const std::string plugName = portName + suffix;
    const SysfsDirectory plug = dir.directory(plugName);
    if (!plug.valid()) continue;
    cable.plugs.push_back(PlugFacts{plugName, readAltModes(plug, plugName, plug.list())});
  }
  return cable;
}

ConnectorFacts readConnector(const SysfsDirectory& dir, const std::string& name,
                             std::int64_t index) {
  ConnectorFacts c;
  c.index = index;
  c.powerRole = dir.read("power_role");
  c.dataRole = dir.read("data_role");
  c.powerOperationMode = dir.read("power_operation_mode");
  c.usbPowerDeliveryRevision = dir.read("usb_power_delivery_revision");
  c.usbCapability = dir.read("usb_capability");
  const std::vector<std::string> entries = dir.list();
  c.altModes = readAltModes(dir, name, entries);
  for (const std::string& entry : entries) {
    if (auto port = sysfs::usbPortName(entry)) {
      c.usbPorts.push_back(std::move(*port));
    } else if (auto adapter = sysfs::usb4PortIndex(entry)) {
      c.usb4Ports.push_back(
          Usb4PortLinkFacts{*adapter, dir.linkTarget(entry), dir.read(entry + "/link")});
    }
  }
  if (const SysfsDirectory location = dir.directory("physical_location"); location.valid()) {
    c.physicalLocation = PhysicalLocationFacts{
        location.read("panel"), location.read("vertical_position"),
        location.read("horizontal_position"), location.read("dock"), location.read("lid")};
  }
  c.powerDelivery = readPowerDelivery(dir, entries);
  if (const SysfsDirectory partner = dir.directory(name + "-partner"); partner.valid()) {
    c.partner = readPartner(partner, name + "-partner");
  }
  if (const SysfsDirectory cable = dir.directory(name + "-cable"); cable.valid()) {
    c.cable = readCable(cable, name);
  }
  return c;
}

// Connectors live in the typec class; test beds that treat typec as a bus
// have them under bus/typec/devices only.
std::vector<ConnectorFacts> readConnectors(const SysfsDirectory& root) {
  SysfsDirectory base = root.directory("class/typec");
  if (!base.valid()) base = root.directory("bus/typec/devices");
  std::vector<std::pair<std::int64_t, std::string>> found;
  for (std::string& name : base.list()) {
    if (auto index = sysfs::typecPortIndex(name)) found.emplace_back(*index, std::move(name));
  }
  std::sort(found.begin(), found.end());
  if (found.size() > kMaxConnectors) found.resize(kMaxConnectors);
  std::vector<ConnectorFacts> connectors;
  for (const auto& [index, name] : found) {
    const SysfsDirectory dir = base.directory(name);
    if (dir.valid()) connectors.push_back(readConnector(dir, name, index));
  }
  return connectors;
}

std::vector<UsbDeviceFacts> readUsbDevices(const SysfsDirectory& root) {
  const SysfsDirectory bus = root.directory("bus/usb/devices");
  std::vector<UsbDeviceFacts> devices;
  for (const std::string& name : bus.list()) {
    auto parsed = sysfs::usbDeviceName(name);
    if (!parsed) continue;
    UsbDeviceFacts d;
    const SysfsDirectory dir = bus.directory(name);
    d.product = dir.read("product");
    d.speed = dir.read("speed");
    d.version = dir.read("version");
    d.maxPower = dir.read("bMaxPower");
    d.bosDescriptors = dir.readBytes("bos_descriptors");
    // A root hub sits on no port.
    if (!parsed->path.empty()) {
      d.portPeer = dir.linkTarget("port/peer");
      d.portConnector = dir.linkTarget("port/connector");
    }
    d.name = std::move(*parsed);
    devices.push_back(std::move(d));
  }
  return devices;
}

std::vector<RouterFacts> readRouters(const SysfsDirectory& root) {
  const SysfsDirectory bus = root.directory("bus/thunderbolt/devices");
  std::vector<RouterFacts> routers;
  for (const std::string& name : bus.list()) {
    auto parsed = sysfs::routerName(name);
    if (!parsed) continue;
    const SysfsDirectory dir = bus.directory(name);
    routers.push_back(RouterFacts{*parsed, dir.read("device_name"), dir.read("vendor_name"),
                                  dir.read("generation"), dir.read("rx_speed"),
                                  dir.read("rx_lanes"), dir.read("tx_speed"),
                                  dir.read("tx_lanes")});
  }
  return routers;
}

std::vector<PowerSupplyFacts> readPowerSupplies(const SysfsDirectory& root) {
  const SysfsDirectory all = root.directory("class/power_supply");
  std::vector<PowerSupplyFacts> supplies;
  for (std::string& name : all.list()) {
    const SysfsDirectory dir = all.directory(name);
    PowerSupplyFacts s;
    s.name = std::move(name);
    s.type = dir.read("type");
    s.usbType = dir.read("usb_type");
    s.online = dir.read("online");
    s.scope = dir.read("scope");
    s.voltageMax = dir.read("voltage_max");
    s.currentMax = dir.read("current_max");
    s.chargeType = dir.read("charge_type");
    s.status = dir.read("status");
    s.capacity = dir.read("capacity");
    s.chargeControlEndThreshold = dir.read("charge_control_end_threshold");
    supplies.push_back(std::move(s));
  }
  return supplies;
}

}  // namespace

SysfsFacts readSysfsFacts(const SysfsTree& tree) {
  const SysfsDirectory root = tree.open();
  if (!root.valid()) return {};
  SysfsFacts facts;
  facts.connectors = readConnectors(root);
  facts.usbDevices = readUsbDevices(root);
  facts.routers = readRouters(root);
  facts.powerSupplies = readPowerSupplies(root);
  return facts;
}

}  // namespace plugscope
