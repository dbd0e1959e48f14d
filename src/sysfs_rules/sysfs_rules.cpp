#include "sysfs_rules/sysfs_rules.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "sysfs_rules/sysfs_attributes.h"

namespace plugscope::sysfs {
namespace {

constexpr std::uint32_t kIdHeaderProductTypeShift = 27;
constexpr std::uint32_t kIdHeaderProductTypeMask = 0x7;
constexpr std::uint32_t kCableTypeActive = 4;
constexpr std::uint32_t kActiveCableVdo2Optical = 1u << 10;
constexpr std::uint32_t kThunderboltCableOptical = 1u << 21;

constexpr std::string_view kDisplayPortSvid = "ff01";
constexpr std::string_view kThunderboltSvid = "8087";

void keepFaster(std::optional<double>& slot, double value) {
  if (!slot || value > *slot) slot = value;
}

std::optional<std::uint32_t> hexText(const SysfsText& text) {
  return text ? hexWord(*text) : std::nullopt;
}

// An attribute of a power data object as a number, in the unit it is
// written in ("5000mV" with unit "mV").
std::optional<double> objectValue(const PdObjectFacts& object, const char* name,
                                  std::string_view unit) {
  const auto found = object.values.find(name);
  if (found == object.values.end()) return std::nullopt;
  const auto value = integerWithUnit(found->second, unit);
  if (!value) return std::nullopt;
  return static_cast<double>(*value);
}

std::optional<double> microsAsMillis(const SysfsText& text) {
  const auto value = text ? integerWithUnit(*text, "") : std::nullopt;
  if (!value) return std::nullopt;
  return static_cast<double>(*value) / 1000.0;
}

std::optional<double> bestMilliwatts(const std::vector<PdObjectFacts>& objects) {
  std::optional<double> best;
  for (const PdObjectFacts& object : objects) {
    if (auto milliwatts = sourceObjectMilliwatts(object)) keepFaster(best, *milliwatts);
  }
  return best;
}

// The set "usb_power_delivery" leads to: the one read through it, or the
// "pdN" set its link names.
const PowerDeliveryFacts* linkedSet(const PowerDeliveryLinks& links) {
  for (const PowerDeliveryFacts& set : links.sets) {
    if (set.name == kUsbPowerDeliveryLink) return &set;
  }
  if (!links.link) return nullptr;
  const std::string_view target = linkedChildName(*links.link);
  for (const PowerDeliveryFacts& set : links.sets) {
    if (set.name == target) return &set;
  }
  return nullptr;
}

// The objects of one list (source or sink) of a device's sets: the linked
// set's, when it has that list; otherwise the first "pdN" set's that has.
const std::vector<PdObjectFacts>* chosenObjects(
    const PowerDeliveryLinks& links,
    std::optional<std::vector<PdObjectFacts>> PowerDeliveryFacts::*list) {
  const PowerDeliveryFacts* linked = linkedSet(links);
  if (linked && linked->*list) return &*(linked->*list);
  for (const PowerDeliveryFacts& set : links.sets) {
    if (!isIndexedName(set.name, "pd")) continue;
    if (set.*list) return &*(set.*list);
  }
  return nullptr;
}

}  // namespace

CableKind cableKind(const std::optional<CableFacts>& cable) {
  CableKind kind;
  if (!cable) return kind;
  const auto header = hexText(cable->identity.idHeader);
  kind.emarked = header && *header != 0;
  // The driver's own word first: it knows the cable beyond its identity.
  if (cable->type == "active" || cable->type == "passive") {
    kind.active = *cable->type == "active";
  } else if (header) {
    kind.active =
        ((*header >> kIdHeaderProductTypeShift) & kIdHeaderProductTypeMask) == kCableTypeActive;
  }
  // Only an active cable's VDO2 carries the copper/optical bit, and only
  // active cables are optical Thunderbolt ones.
  if (!kind.active) return kind;
  const auto vdo2 = hexText(cable->identity.productTypeVdo2);
  kind.optical = vdo2 && (*vdo2 & kActiveCableVdo2Optical) != 0;
  for (const PlugFacts& plug : cable->plugs) {
    for (const AltModeFacts& mode : plug.altModes) {
      if (mode.svid != kThunderboltSvid) continue;
      const auto vdo = hexText(mode.vdo);
      if (vdo && (*vdo & kThunderboltCableOptical) != 0) kind.optical = true;
    }
  }
  return kind;
}

bool modeEntered(const AltModeFacts& mode) {
  if (mode.active == "yes") return true;
  return std::any_of(mode.groups.begin(), mode.groups.end(),
                     [](const ModeGroupFacts& group) { return group.active == "yes"; });
}

EnteredModes enteredModes(const PartnerFacts& partner) {
  EnteredModes modes;
  for (const AltModeFacts& mode : partner.altModes) {
    if (!modeEntered(mode)) continue;
    if (mode.svid == kDisplayPortSvid) modes.displayPort = true;
    if (mode.svid == kThunderboltSvid) modes.thunderbolt = true;
  }
  return modes;
}

std::int64_t portNumber(const ConnectorFacts& connector) {
  // Saturates rather than overflows on indexes no name can give.
  return connector.index < std::numeric_limits<std::int64_t>::max() ? connector.index + 1
                                                                     : connector.index;
}

bool powerIn(const ConnectorFacts& connector) {
  return connector.partner && connector.powerRole &&
         selectedWord(*connector.powerRole) == "sink";
}

std::optional<double> sourceObjectMilliwatts(const PdObjectFacts& object) {
  const std::string_view name = object.name;
  const std::string_view kind = name.substr(std::min(name.find(':'), name.size()));
  PowerRating rating;
  if (kind == ":fixed_supply") {
    rating = {objectValue(object, "voltage", "mV"), objectValue(object, "maximum_current", "mA"),
              {}};
  } else if (kind == ":variable_supply" || kind == ":programmable_supply") {
    rating = {objectValue(object, "maximum_voltage", "mV"),
              objectValue(object, "maximum_current", "mA"), {}};
  } else if (kind == ":battery") {
    const auto power = objectValue(object, "maximum_power", "mW");
    if (!power) return std::nullopt;
    rating = {objectValue(object, "maximum_voltage", "mV"), {}, power};
  } else if (kind == ":spr_adjustable_voltage_supply") {
    rating = {20000.0, objectValue(object, "maximum_current_15V_to_20V", "mA"), {}};
  } else {
    return std::nullopt;
  }
  return plausibleMilliwatts(rating);
}

const std::vector<PdObjectFacts>* advertisedSourceObjects(const PartnerFacts& partner) {
  return chosenObjects(partner.powerDelivery, &PowerDeliveryFacts::sourceCapabilities);
}

const std::vector<PdObjectFacts>* portSinkObjects(const ConnectorFacts& connector) {
  return chosenObjects(connector.powerDelivery, &PowerDeliveryFacts::sinkCapabilities);
}

std::optional<double> sinkObjectMilliwatts(const PdObjectFacts& object) {
  const std::string_view name = object.name;
  const std::string_view kind = name.substr(std::min(name.find(':'), name.size()));
  PowerRating rating;
  if (kind == ":fixed_supply") {
    rating = {objectValue(object, "voltage", "mV"),
              objectValue(object, "operational_current", "mA"), {}};
  } else if (kind == ":variable_supply") {
    rating = {objectValue(object, "maximum_voltage", "mV"),
              objectValue(object, "operational_current", "mA"), {}};
  } else if (kind == ":battery") {
    const auto power = objectValue(object, "operational_power", "mW");
    if (!power) return std::nullopt;
    rating = {objectValue(object, "maximum_voltage", "mV"), {}, power};
  } else if (kind == ":programmable_supply") {
    rating = {objectValue(object, "maximum_voltage", "mV"),
              objectValue(object, "maximum_current", "mA"), {}};
  } else {
    return std::nullopt;
  }
  return plausibleMilliwatts(rating);
}

std::optional<AdvertisedCharger> advertisedCharger(const SysfsFacts& facts) {
  std::optional<AdvertisedCharger> chosen;
  std::optional<std::int64_t> chosenIndex;
  for (std::size_t i = 0; i < facts.connectors.size(); ++i) {
    const ConnectorFacts& c = facts.connectors[i];
    if (!powerIn(c)) continue;
    const auto* objects = advertisedSourceObjects(*c.partner);
    if (!objects || objects->empty()) continue;
    const AdvertisedCharger candidate{i, bestMilliwatts(*objects)};
    const bool better =
        !chosen ||
        (candidate.milliwatts &&
         (!chosen->milliwatts || *candidate.milliwatts > *chosen->milliwatts ||
          (*candidate.milliwatts == *chosen->milliwatts && c.index < *chosenIndex))) ||
        (!candidate.milliwatts && !chosen->milliwatts && c.index < *chosenIndex);
    if (better) {
      chosen = candidate;
      chosenIndex = c.index;
    }
  }
  return chosen;
}

bool isUsbChargerType(std::string_view type) {
  return type == "USB" || type == "USB_C" || type == "USB_PD" || type == "USB_PD_DRP";
}

bool usbSuppliesCount(const SysfsFacts& facts) {
  return facts.connectors.empty() ||
         std::any_of(facts.connectors.begin(), facts.connectors.end(),
                     [](const ConnectorFacts& c) { return powerIn(c); });
}

SupplyReading supplyReading(const PowerSupplyFacts& supply, bool usbCounts) {
  const bool usb = supply.type && isUsbChargerType(*supply.type);
  if (supply.type != "Mains" && !(usb && usbCounts)) return {};
  const auto online = supply.online ? integerWithUnit(*supply.online, "") : std::nullopt;
  if (!online || *online < 1) return {};
  SupplyReading reading{true, std::nullopt};
  if (usb) {
    reading.milliwatts =
        plausibleMilliwatts({microsAsMillis(supply.voltageMax), microsAsMillis(supply.currentMax), {}});
  }
  return reading;
}

ChargerReading chargerReading(const SysfsFacts& facts) {
  const auto advertised = advertisedCharger(facts);
  ChargerReading reading;
  reading.batteryEntry = !facts.powerSupplies.empty() || advertised.has_value();
  if (!reading.batteryEntry) return reading;
  // A sink port whose partner advertises source objects takes power from
  // that charger, whether or not a supply lists it (some firmware lists
  // none, or one without a readable "online").
  reading.external = advertised.has_value();
  const bool usbCounts = usbSuppliesCount(facts);
  std::optional<double> supplyMilliwatts;
  for (const PowerSupplyFacts& supply : facts.powerSupplies) {
    const SupplyReading one = supplyReading(supply, usbCounts);
    reading.external = reading.external || one.external;
    if (one.milliwatts) keepFaster(supplyMilliwatts, *one.milliwatts);
  }
  if (!reading.external) return reading;
  // The charger's own advertised objects first: a supply's maximum is
  // derived by firmware from them, and is wrong on some machines.
  std::optional<double> milliwatts = advertised ? advertised->milliwatts : std::nullopt;
  if (!milliwatts) milliwatts = supplyMilliwatts;
  if (milliwatts) reading.watts = wattsFromMilliwatts(*milliwatts);
  return reading;
}

std::optional<std::size_t> connectorOfUsbDevice(const SysfsFacts& facts,
                                                const UsbDeviceName& device) {
  if (device.path.empty()) return std::nullopt;
  UsbPortRef port{UsbDeviceName{device.bus, device.path}, device.path.back()};
  port.hub.path.pop_back();
  for (std::size_t i = 0; i < facts.connectors.size(); ++i) {
    const auto& ports = facts.connectors[i].usbPorts;
    if (std::find(ports.begin(), ports.end(), port) != ports.end()) return i;
  }
  for (std::size_t i = 0; i < facts.connectors.size(); ++i) {
    const auto& partner = facts.connectors[i].partner;
    if (!partner) continue;
    const auto& devices = partner->usbDevices;
    if (std::find(devices.begin(), devices.end(), device) != devices.end()) return i;
  }
  return std::nullopt;
}

std::vector<UsbLanes> usbLanes(const SysfsFacts& facts) {
  std::vector<UsbLanes> lanes(facts.connectors.size());
  for (const UsbDeviceFacts& device : facts.usbDevices) {
    const auto connector = connectorOfUsbDevice(facts, device.name);
    if (!connector || !device.speed) continue;
    const auto speed = usbLinkSpeed(*device.speed);
    if (!speed) continue;
    UsbLanes& l = lanes[*connector];
    keepFaster(speed->lane == UsbLane::usb3 ? l.usb3Megabits : l.usb2Megabits, speed->megabits);
  }
  return lanes;
}

std::optional<Usb4Port> usb4Port(const ConnectorFacts& connector) {
  for (const Usb4PortLinkFacts& port : connector.usb4Ports) {
    if (!port.target) continue;
    if (auto domain = usb4PortDomain(*port.target)) {
      return Usb4Port{*domain, port.adapter, port.link};
    }
  }
  return std::nullopt;
}

std::optional<std::size_t> connectorOnUsb4Port(const SysfsFacts& facts, std::int64_t domain,
                                               std::int64_t adapter) {
  for (std::size_t i = 0; i < facts.connectors.size(); ++i) {
    const auto port = usb4Port(facts.connectors[i]);
    if (port && port->domain == domain && port->adapter == adapter) return i;
  }
  return std::nullopt;
}

std::optional<double> routerMegabits(const RouterFacts& router) {
  auto total = [](const SysfsText& speed, const SysfsText& lanes) -> std::optional<double> {
    const auto perLane = speed ? gigabitsPerSecond(*speed) : std::nullopt;
    if (!perLane) return std::nullopt;
    const auto count = integerWithUnit(lanes.value_or("1"), "");
    const double megabits =
        *perLane * static_cast<double>(count && *count > 0 ? *count : 1) * 1000.0;
    // Absurd lane texts can overflow; such a link has no rate to show.
    if (!std::isfinite(megabits)) return std::nullopt;
    return megabits;
  };
  std::optional<double> fastest;
  // An asymmetric link is as fast as its faster direction.
  for (auto speed : {total(router.rxSpeed, router.rxLanes), total(router.txSpeed, router.txLanes)}) {
    if (speed) keepFaster(fastest, *speed);
  }
  return fastest;
}

CioLink cioLink(const SysfsFacts& facts, std::size_t connector) {
  const ConnectorFacts& c = facts.connectors.at(connector);
  const auto port = usb4Port(c);
  bool routerPresent = false;
  std::optional<double> megabits;
  if (port) {
    for (const RouterFacts& router : facts.routers) {
      if (router.name.depth != 1 || router.name.domain != port->domain) continue;
      const auto adapter = static_cast<std::int64_t>(router.name.route);
      if (connectorOnUsb4Port(facts, router.name.domain, adapter) != connector) continue;
      routerPresent = true;
      if (auto speed = routerMegabits(router)) keepFaster(megabits, *speed);
    }
  }
  const bool thunderboltMode = c.partner && enteredModes(*c.partner).thunderbolt;
  const SysfsText link = port ? port->link : std::nullopt;
  CioLink cio;
  cio.active = thunderboltMode || link == "usb4" || link == "tbt" || (!link && routerPresent);
  if (cio.active) cio.megabits = megabits;
  return cio;
}

std::optional<std::int64_t> busCurrentMilliamps(const UsbDeviceFacts& device) {
  return device.maxPower ? integerWithUnit(*device.maxPower, "mA") : std::nullopt;
}

}  // namespace plugscope::sysfs
