#include "advice/hint_rules.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "advice/bos_descriptor.h"
#include "advice/pd_identity.h"
#include "scanner/attached_devices.h"
#include "sysfs_rules/sysfs_attributes.h"
#include "sysfs_rules/sysfs_names.h"
#include "sysfs_rules/sysfs_rules.h"

namespace plugscope::advice {
namespace {

constexpr std::uint32_t kUsb4GenThreeCode = 3;
constexpr double kSlowChargerMilliwatts = 20000;
constexpr double kThreeAmpCableMilliwatts = 60000;
constexpr std::int64_t kTwentyVoltsMillivolts = 20000;
constexpr std::int64_t kThreeAmpsMilliamps = 3000;

AdviceEntry entry(const ConnectorFacts& c, std::string_view hint,
                  std::vector<AdviceValue> values = {}) {
  return AdviceEntry{sysfs::portNumber(c), std::string(hint), std::move(values), {}};
}

AdviceValue number(std::string name, std::int64_t value) { return {std::move(name), value}; }
AdviceValue word(std::string name, std::string value) { return {std::move(name), std::move(value)}; }

// Whole units rounded down, as hints give watts.
std::int64_t wholeWatts(double milliwatts) {
  return static_cast<std::int64_t>(std::floor(milliwatts / 1000.0));
}

// An identity that has been discovered: a readable, non-zero header.
std::optional<std::uint32_t> knownHeader(const IdentityFacts& identity) {
  const auto header = vdoWord(identity.idHeader);
  if (!header || *header == 0) return std::nullopt;
  return header;
}

// The cable as its e-marker describes it: a passive or active cable with
// a readable VDO1. None for no cable device, an undiscovered identity, or
// a cable of another product type.
struct KnownCable {
  const CableFacts& facts;
  std::uint32_t header = 0;
  std::uint32_t vdo1 = 0;
  bool passive() const { return productType(header) == kPassiveCable; }
  bool active() const { return productType(header) == kActiveCable; }
};
std::optional<KnownCable> knownCable(const ConnectorFacts& c) {
  if (!c.cable) return std::nullopt;
  const auto header = knownHeader(c.cable->identity);
  const auto vdo1 = vdoWord(c.cable->identity.productTypeVdo1);
  if (!header || !vdo1) return std::nullopt;
  const std::uint32_t type = productType(*header);
  if (type != kPassiveCable && type != kActiveCable) return std::nullopt;
  return KnownCable{*c.cable, *header, *vdo1};
}

// The readable VDOs of the cable's plug modes with this svid, plug by plug.
std::vector<std::uint32_t> plugModeVdos(const CableFacts& cable, std::string_view svid) {
  std::vector<std::uint32_t> vdos;
  for (const PlugFacts& plug : cable.plugs) {
    for (const AltModeFacts& mode : plug.altModes) {
      if (mode.svid != svid) continue;
      if (auto vdo = vdoWord(mode.vdo)) vdos.push_back(*vdo);
    }
  }
  return vdos;
}

bool hasPlugMode(const CableFacts& cable, std::string_view svid) {
  for (const PlugFacts& plug : cable.plugs) {
    for (const AltModeFacts& mode : plug.altModes) {
      if (mode.svid == svid) return true;
    }
  }
  return false;
}

bool hasMode(const std::vector<AltModeFacts>& modes, std::string_view svid) {
  return std::any_of(modes.begin(), modes.end(),
                     [&](const AltModeFacts& mode) { return mode.svid == svid; });
}

bool listsWord(const SysfsText& list, std::string_view word) {
  if (!list) return false;
  std::string_view rest = *list;
  while (!rest.empty()) {
    const std::size_t end = std::min(rest.find(' '), rest.size());
    std::string_view piece = rest.substr(0, end);
    if (piece.size() >= 2 && piece.front() == '[' && piece.back() == ']') {
      piece = piece.substr(1, piece.size() - 2);
    }
    if (piece == word) return true;
    rest.remove_prefix(std::min(end + 1, rest.size()));
  }
  return false;
}

// What the port offers.
bool portOffersUsb4(const ConnectorFacts& c) {
  return !c.usb4Ports.empty() || listsWord(c.usbCapability, "usb4");
}
bool portOffersThunderbolt(const ConnectorFacts& c) {
  return hasMode(c.altModes, kThunderboltSvid) || portOffersUsb4(c);
}
bool portOffersDisplayPort(const ConnectorFacts& c) { return hasMode(c.altModes, kDisplayPortSvid); }

// What the partner wants.
bool partnerWantsUsb4(const PartnerFacts& partner) {
  if (listsWord(partner.usbMode, "usb4")) return true;
  const auto header = knownHeader(partner.identity);
  const auto ufp = vdoWord(partner.identity.productTypeVdo1);
  if (!header || !ufp) return false;
  const std::uint32_t type = productType(*header);
  return (type == kHub || type == kPeripheral) && ufpUsb4(*ufp);
}
bool partnerWantsThunderbolt(const PartnerFacts& partner) {
  return hasMode(partner.altModes, kThunderboltSvid);
}
// typecd's partner side of the Thunderbolt check: modal, with a TBT mode.
bool partnerCanEnterThunderbolt(const PartnerFacts& partner) {
  const auto header = knownHeader(partner.identity);
  return header && modal(*header) && partnerWantsThunderbolt(partner);
}
bool partnerWantsDisplayPort(const PartnerFacts& partner) {
  for (const AltModeFacts& mode : partner.altModes) {
    if (mode.svid != kDisplayPortSvid) continue;
    if (auto vdo = vdoWord(mode.vdo); vdo && displayPortSink(*vdo)) return true;
  }
  return false;
}

// typecd's USB4 cable check: an active cable by its VDO2 (VDO version 1.3)
// or by a rounded Thunderbolt plug mode of a modal cable; a passive cable
// faster than USB 2. None when an active 1.3 cable's VDO2 cannot be read.
std::optional<bool> cablePassesUsb4(const KnownCable& cable) {
  if (cable.passive()) return cableSpeed(cable.vdo1) != 0;
  if (cableVdoVersion(cable.vdo1) == kCableVdoVersion13) {
    const auto vdo2 = vdoWord(cable.facts.identity.productTypeVdo2);
    if (!vdo2) return std::nullopt;
    return !activeCableLacksUsb4(*vdo2);
  }
  if (!modal(cable.header)) return false;
  for (std::uint32_t vdo : plugModeVdos(cable.facts, kThunderboltSvid)) {
    if (thunderboltCableRounded(vdo)) return true;
  }
  return false;
}

// typecd's Thunderbolt cable check: an active cable needs a Thunderbolt
// plug mode; a passive one a SuperSpeed rating its PD revision allows (PD
// 2.0: Gen1 or Gen2; PD 3: any SuperSpeed). None for a passive cable of
// unknown revision.
std::optional<bool> cablePassesThunderbolt(const KnownCable& cable) {
  if (cable.active()) return hasPlugMode(cable.facts, kThunderboltSvid);
  const std::uint32_t speed = cableSpeed(cable.vdo1);
  switch (pdRevision(cable.facts.usbPowerDeliveryRevision)) {
    case PdRevision::pd20: return speed == 1 || speed == 2;
    case PdRevision::pd30:
    case PdRevision::pd31: return speed >= 1 && speed <= 4;
    case PdRevision::unknown: return std::nullopt;
  }
  return std::nullopt;
}

// Thunderbolt 3 mode as typecd takes it: on a port that can do it, the
// USB4 checks fail and the Thunderbolt ones pass.
bool thunderboltThreeMode(const ConnectorFacts& c, const KnownCable& cable) {
  if (!portOffersThunderbolt(c)) return false;
  const bool usb4 = partnerWantsUsb4(*c.partner) && portOffersUsb4(c) &&
                    cablePassesUsb4(cable) == true;
  return !usb4 && partnerCanEnterThunderbolt(*c.partner) && cablePassesThunderbolt(cable) == true;
}

// A known cable's speed code, raised to Gen3 by a Thunderbolt plug mode of
// 10/20 Gb/s (the first such mode; an active cable's only when rounded).
std::uint32_t effectiveCableSpeed(const KnownCable& cable) {
  std::uint32_t speed = cableSpeed(cable.vdo1);
  const auto modes = plugModeVdos(cable.facts, kThunderboltSvid);
  if (!modes.empty()) {
    const std::uint32_t vdo = modes.front();
    if (thunderboltMode(vdo) && thunderboltCableSpeed(vdo) == kThunderboltCable10And20Gbps &&
        (cable.passive() || thunderboltCableRounded(vdo))) {
      speed = std::max(speed, kUsb4GenThreeCode);
    }
  }
  return speed;
}

// Mode entry, and so the cable and mode hints, are the data host's: a port
// in the device role (a laptop plugged into another as its USB device)
// takes what the other side chose.
bool dataHost(const ConnectorFacts& c) {
  return c.dataRole && sysfs::selectedWord(*c.dataRole) == "host";
}

bool captive(const ConnectorFacts& c, const KnownCable& cable, std::uint32_t partnerHeader) {
  return cablePlugType(cable.vdo1) == kCaptiveConnector || c.cable->plugType == "captive" ||
         connectorType(partnerHeader) == kCaptiveConnector;
}

// The partner's UFP speed code when its PD revision lets it be trusted.
std::optional<std::uint32_t> trustedPartnerSpeed(const PartnerFacts& partner,
                                                 std::uint32_t header) {
  const auto ufp = vdoWord(partner.identity.productTypeVdo1);
  if (!ufp) return std::nullopt;
  const std::uint32_t type = productType(header);
  const PdRevision revision = pdRevision(partner.usbPowerDeliveryRevision);
  const bool ufpType = type == kHub || type == kPeripheral;
  const bool trusted = (revision == PdRevision::pd20 && type == kAlternateModeAdapter) ||
                       (revision == PdRevision::pd30 && (ufpType || type == kAlternateModeAdapter)) ||
                       (revision == PdRevision::pd31 && ufpType);
  if (!trusted) return std::nullopt;
  const std::uint32_t speed = ufpSpeed(*ufp);
  if (type == kAlternateModeAdapter && speed == kAmaBillboardOnly) return std::nullopt;
  return speed;
}

// The fastest USB link any device on the connector runs: "usb3" or
// "usb2"; none when no device runs there.
std::optional<std::string> runningUsbMode(const SysfsFacts& facts, std::size_t connector) {
  const sysfs::UsbLanes lanes = sysfs::usbLanes(facts)[connector];
  if (lanes.usb3Megabits) return "usb3";
  if (lanes.usb2Megabits) return "usb2";
  return std::nullopt;
}

std::string usbModeOfCable(const KnownCable& cable) {
  return cableSpeed(cable.vdo1) == 0 ? "usb2" : "usb3";
}

// The first connector in order, other than `except`, for which `offers` holds.
template <typename Offers>
const ConnectorFacts* otherPortOffering(const SysfsFacts& facts, std::size_t except, Offers offers) {
  for (std::size_t i = 0; i < facts.connectors.size(); ++i) {
    if (i != except && offers(facts.connectors[i])) return &facts.connectors[i];
  }
  return nullptr;
}

// The first connector taking power: supply-level hints attach to it.
bool firstTakingPower(const SysfsFacts& facts, std::size_t connector) {
  for (std::size_t i = 0; i < facts.connectors.size(); ++i) {
    if (sysfs::powerIn(facts.connectors[i])) return i == connector;
  }
  return false;
}

std::optional<double> bestOf(const std::vector<PdObjectFacts>* objects,
                             std::optional<double> (*power)(const PdObjectFacts&)) {
  if (!objects) return std::nullopt;
  std::optional<double> best;
  for (const PdObjectFacts& object : *objects) {
    if (auto milliwatts = power(object); milliwatts && (!best || *milliwatts > *best)) {
      best = milliwatts;
    }
  }
  return best;
}

// What the charger on a port taking power offers and the port asks for.
struct PowerNeeds {
  double offer = 0;  // mW, the charger's best source object
  double need = 0;   // mW, the port's best sink object
  const std::vector<PdObjectFacts>* sources = nullptr;
};
std::optional<PowerNeeds> powerNeeds(const ConnectorFacts& c) {
  if (!sysfs::powerIn(c)) return std::nullopt;
  const auto* sources = sysfs::advertisedSourceObjects(*c.partner);
  const auto offer = bestOf(sources, sysfs::sourceObjectMilliwatts);
  const auto need = bestOf(sysfs::portSinkObjects(c), sysfs::sinkObjectMilliwatts);
  if (!offer || !need) return std::nullopt;
  return PowerNeeds{*offer, *need, sources};
}

std::optional<std::int64_t> objectInteger(const PdObjectFacts& object, const char* name,
                                          std::string_view unit) {
  const auto found = object.values.find(name);
  return found == object.values.end() ? std::nullopt : sysfs::integerWithUnit(found->second, unit);
}

// A plausible source object that gives more than 3 A at 20 V.
bool moreThanThreeAmpsAtTwentyVolts(const PdObjectFacts& object) {
  if (!sysfs::sourceObjectMilliwatts(object)) return false;
  const std::string_view name = object.name;
  if (name.ends_with(":fixed_supply")) {
    return objectInteger(object, "voltage", "mV") == kTwentyVoltsMillivolts &&
           objectInteger(object, "maximum_current", "mA") > kThreeAmpsMilliamps;
  }
  if (name.ends_with(":spr_adjustable_voltage_supply")) {
    return objectInteger(object, "maximum_current_15V_to_20V", "mA") > kThreeAmpsMilliamps;
  }
  return false;
}

std::optional<std::int64_t> integerText(const SysfsText& text) {
  return text ? sysfs::integerWithUnit(*text, "") : std::nullopt;
}

// The USB device on the given USB port, if the facts hold one there.
const UsbDeviceFacts* deviceOnPort(const SysfsFacts& facts, const sysfs::UsbPortRef& port) {
  sysfs::UsbDeviceName name = port.hub;
  name.path.push_back(port.port);
  for (const UsbDeviceFacts& device : facts.usbDevices) {
    if (device.name == name) return &device;
  }
  return nullptr;
}

// The USB port a "peer" link names: its last piece ("usb2-port1").
std::optional<sysfs::UsbPortRef> peerPort(const std::string& target) {
  const std::size_t slash = target.find_last_of('/');
  return sysfs::usbPortName(slash == std::string::npos ? target : target.substr(slash + 1));
}

std::optional<double> rootHubMegabits(const SysfsFacts& facts, std::int64_t bus) {
  for (const UsbDeviceFacts& device : facts.usbDevices) {
    if (device.name.bus != bus || !device.name.path.empty() || !device.speed) continue;
    if (auto speed = sysfs::usbLinkSpeed(*device.speed)) return speed->megabits;
  }
  return std::nullopt;
}

constexpr double kSuperSpeedMegabits = 5000;

// Whom to blame for a device below its best: a cable known to be USB 2
// only; else the port when the device's USB port has no SuperSpeed half
// (neither its own bus nor its peer's is SuperSpeed) or that half's root
// hub is slower than the device's best; else either.
std::string blameFor(const SysfsFacts& facts, const ConnectorFacts& c, const UsbDeviceFacts& device,
                     double best) {
  if (auto cable = knownCable(c); cable && cableSpeed(cable->vdo1) == 0) return "cable";
  std::optional<double> superSpeedRoot = rootHubMegabits(facts, device.name.bus);
  if (!superSpeedRoot || *superSpeedRoot < kSuperSpeedMegabits) {
    const auto peer = device.portPeer ? peerPort(*device.portPeer) : std::nullopt;
    if (!peer) return "port";
    superSpeedRoot = rootHubMegabits(facts, peer->hub.bus);
    if (superSpeedRoot && *superSpeedRoot < kSuperSpeedMegabits) return "port";
  }
  if (superSpeedRoot && *superSpeedRoot < best) return "port";
  return "cable-or-port";
}

}  // namespace

Hint cableLimitsSpeed(const SysfsFacts& facts, std::size_t connector) {
  const ConnectorFacts& c = facts.connectors.at(connector);
  if (!c.partner || !dataHost(c)) return std::nullopt;
  const auto partnerHeader = knownHeader(c.partner->identity);
  const auto cable = knownCable(c);
  if (!partnerHeader || !cable || captive(c, *cable, *partnerHeader)) return std::nullopt;
  std::optional<std::uint32_t> partnerSpeed;
  if (thunderboltThreeMode(c, *cable)) {
    if (hasPlugMode(cable->facts, kThunderboltSvid)) return std::nullopt;
    partnerSpeed = kUsb4GenThreeCode;
  } else {
    partnerSpeed = trustedPartnerSpeed(*c.partner, *partnerHeader);
  }
  if (!partnerSpeed) return std::nullopt;
  const std::uint32_t cableCode = effectiveCableSpeed(*cable);
  const auto deviceMbps = speedCodeMbps(*partnerSpeed);
  const auto cableMbps = speedCodeMbps(cableCode);
  if (!deviceMbps || !cableMbps || *partnerSpeed <= cableCode) return std::nullopt;
  return entry(c, kCableLimitsSpeed,
               {number("cableMbps", *cableMbps), number("deviceMbps", *deviceMbps)});
}

Hint cableNoVideo(const SysfsFacts& facts, std::size_t connector) {
  const ConnectorFacts& c = facts.connectors.at(connector);
  if (!c.partner || !dataHost(c) || !partnerWantsDisplayPort(*c.partner)) return std::nullopt;
  bool receptacle = false;
  for (const AltModeFacts& mode : c.partner->altModes) {
    if (mode.svid != kDisplayPortSvid) continue;
    // Entered: the picture is on, whatever the cable says of itself.
    if (sysfs::modeEntered(mode)) return std::nullopt;
    if (auto vdo = vdoWord(mode.vdo); vdo && displayPortReceptacle(*vdo)) receptacle = true;
  }
  const auto cable = knownCable(c);
  if (!receptacle || !cable) return std::nullopt;
  bool cannot = false;
  if (cable->passive()) {
    cannot = cableSpeed(cable->vdo1) == 0;
  } else if (!modal(cable->header)) {
    cannot = true;
  } else {
    // Without plug devices the cable's modes are not known.
    cannot = !cable->facts.plugs.empty() && !hasPlugMode(cable->facts, kDisplayPortSvid);
  }
  if (!cannot) return std::nullopt;
  return entry(c, kCableNoVideo);
}

Hint cableLimitsUsb4(const SysfsFacts& facts, std::size_t connector) {
  const ConnectorFacts& c = facts.connectors.at(connector);
  if (!c.partner || !dataHost(c)) return std::nullopt;
  const bool usb4 = partnerWantsUsb4(*c.partner) && portOffersUsb4(c);
  const bool thunderbolt = partnerCanEnterThunderbolt(*c.partner) && portOffersThunderbolt(c);
  if (!usb4 && !thunderbolt) return std::nullopt;
  const auto limited = [&](std::string mode) {
    return entry(c, kCableLimitsUsb4, {word("mode", std::move(mode))});
  };
  if (const auto cable = knownCable(c)) {
    const auto usb4Cable = cablePassesUsb4(*cable);
    const auto thunderboltCable = cablePassesThunderbolt(*cable);
    if (usb4 && usb4Cable == false) {
      if (thunderbolt && thunderboltCable == true) return limited("thunderbolt3");
      if (thunderboltCable.has_value() || !thunderbolt) return limited(usbModeOfCable(*cable));
    } else if (!usb4 && thunderboltCable == false) {
      return limited(usbModeOfCable(*cable));
    }
  }
  // The link the USB4 port runs, where the kernel tells it.
  const auto port = sysfs::usb4Port(c);
  if (!usb4 || !port || !port->link) return std::nullopt;
  if (*port->link == "tbt") return limited("thunderbolt3");
  if (*port->link != "none") return std::nullopt;
  if (const auto cable = knownCable(c)) return limited(usbModeOfCable(*cable));
  if (auto running = runningUsbMode(facts, connector)) return limited(std::move(*running));
  return std::nullopt;
}

Hint portLacksMode(const SysfsFacts& facts, std::size_t connector) {
  const ConnectorFacts& c = facts.connectors.at(connector);
  if (!c.partner || !dataHost(c)) return std::nullopt;
  struct Mode {
    const char* name;
    bool wanted;
    bool (*offers)(const ConnectorFacts&);
  };
  const Mode modes[] = {
      {"displayport", partnerWantsDisplayPort(*c.partner), portOffersDisplayPort},
      {"usb4", partnerWantsUsb4(*c.partner), portOffersUsb4},
      {"thunderbolt", partnerWantsThunderbolt(*c.partner), portOffersThunderbolt},
  };
  for (const Mode& mode : modes) {
    if (!mode.wanted || mode.offers(c)) continue;
    if (const ConnectorFacts* other = otherPortOffering(facts, connector, mode.offers)) {
      return entry(c, kPortLacksMode,
                   {word("mode", mode.name), number("otherPort", sysfs::portNumber(*other))});
    }
  }
  return std::nullopt;
}

Hint deviceBelowItsSpeed(const SysfsFacts& facts, std::size_t connector) {
  const ConnectorFacts& c = facts.connectors.at(connector);
  std::vector<const UsbDeviceFacts*> devices;
  for (const UsbDeviceFacts& device : facts.usbDevices) devices.push_back(&device);
  std::stable_sort(devices.begin(), devices.end(),
                   [](const UsbDeviceFacts* a, const UsbDeviceFacts* b) { return a->name < b->name; });
  for (const UsbDeviceFacts* device : devices) {
    if (device->name.path.empty() || !device->speed || !device->bosDescriptors) continue;
    if (sysfs::connectorOfUsbDevice(facts, device->name) != connector) continue;
    const auto now = sysfs::usbLinkSpeed(*device->speed);
    const auto best = bosBestMegabits(*device->bosDescriptors);
    if (!now || !best || now->megabits >= *best) continue;
    // Its SuperSpeed half is on the peer port: this is a USB 3 hub's USB 2 half.
    const auto peer = device->portPeer ? peerPort(*device->portPeer) : std::nullopt;
    if (peer && deviceOnPort(facts, *peer)) continue;
    std::string name = device->product ? *device->product : std::string(kFallbackDeviceName);
    return entry(c, kDeviceBelowItsSpeed,
                 {word("device", std::move(name)),
                  number("nowMbps", static_cast<std::int64_t>(std::floor(now->megabits))),
                  number("bestMbps", static_cast<std::int64_t>(std::floor(*best))),
                  word("blame", blameFor(facts, c, *device, *best))});
  }
  return std::nullopt;
}

Hint chargerTooWeak(const SysfsFacts& facts, std::size_t connector) {
  const ConnectorFacts& c = facts.connectors.at(connector);
  const auto needs = powerNeeds(c);
  if (!needs || wholeWatts(needs->offer) >= wholeWatts(needs->need)) return std::nullopt;
  return entry(c, kChargerTooWeak,
               {number("offerWatts", wholeWatts(needs->offer)),
                number("needWatts", wholeWatts(needs->need))});
}

Hint chargingSlowly(const SysfsFacts& facts, std::size_t connector) {
  if (!firstTakingPower(facts, connector)) return std::nullopt;
  const ConnectorFacts& c = facts.connectors[connector];
  std::optional<double> rating;
  for (const PowerSupplyFacts& supply : facts.powerSupplies) {
    // A battery's or a vendor charger's charge_type is a care mode, not this.
    if (!supply.type || !sysfs::isUsbChargerType(*supply.type)) continue;
    const auto online = integerText(supply.online);
    if (!online || *online < 1) continue;
    if (supply.chargeType == "Trickle") {
      return entry(c, kChargingSlowly, {word("reason", "firmware")});
    }
    const auto volts = integerText(supply.voltageMax);
    const auto amps = integerText(supply.currentMax);
    if (!volts || !amps) continue;
    const auto milliwatts = sysfs::plausibleMilliwatts(
        {static_cast<double>(*volts) / 1000.0, static_cast<double>(*amps) / 1000.0, {}});
    if (milliwatts && (!rating || *milliwatts > *rating)) rating = milliwatts;
  }
  if (!rating || *rating >= kSlowChargerMilliwatts) return std::nullopt;
  return entry(c, kChargingSlowly, {word("reason", "rating"), number("watts", wholeWatts(*rating))});
}

Hint cableCapsCharging(const SysfsFacts& facts, std::size_t connector) {
  const ConnectorFacts& c = facts.connectors.at(connector);
  const auto needs = powerNeeds(c);
  if (!needs || needs->need <= kThreeAmpCableMilliwatts || !c.cable) return std::nullopt;
  if (std::none_of(needs->sources->begin(), needs->sources->end(), moreThanThreeAmpsAtTwentyVolts)) {
    return std::nullopt;
  }
  const auto header = vdoWord(c.cable->identity.idHeader);
  if (!header) return std::nullopt;
  bool capped = *header == 0;  // no e-marker: 3 A at most
  if (const auto cable = knownCable(c)) capped = cableCurrent(cable->vdo1) == kCableCurrent3A;
  if (!capped) return std::nullopt;
  return entry(c, kCableCapsCharging,
               {number("offerWatts", wholeWatts(needs->offer)),
                number("needWatts", wholeWatts(needs->need))});
}

Hint loadExceedsCharger(const SysfsFacts& facts, std::size_t connector) {
  if (!firstTakingPower(facts, connector)) return std::nullopt;
  const bool usbCounts = sysfs::usbSuppliesCount(facts);
  const bool usbCharger =
      std::any_of(facts.powerSupplies.begin(), facts.powerSupplies.end(),
                  [&](const PowerSupplyFacts& s) {
                    return s.type && sysfs::isUsbChargerType(*s.type) &&
                           sysfs::supplyReading(s, usbCounts).external;
                  });
  if (!usbCharger) return std::nullopt;
  for (const PowerSupplyFacts& battery : facts.powerSupplies) {
    // A mouse's or keyboard's battery has scope "Device".
    if (battery.type != "Battery" || battery.scope == "Device") continue;
    if (battery.status != "Discharging") continue;
    if (battery.chargeControlEndThreshold) {
      const auto threshold = integerText(battery.chargeControlEndThreshold);
      const auto capacity = integerText(battery.capacity);
      if (!threshold || !capacity || *capacity >= *threshold) continue;
    }
    return entry(facts.connectors[connector], kLoadExceedsCharger);
  }
  return std::nullopt;
}

std::string englishText(const AdviceEntry& e) {
  struct Template {
    std::string_view hint;
    const char* reason;  // for hints with several sentences, the "reason" it takes
    const char* text;
  };
  static constexpr Template kTemplates[] = {
      {kCableLimitsSpeed, nullptr,
       "The cable limits this port to {cableMbps}; the device can do {deviceMbps}."},
      {kCableNoVideo, nullptr,
       "This cable cannot carry a display signal; use a USB 3 or Thunderbolt cable."},
      {kCableLimitsUsb4, nullptr,
       "The cable limits this link to {mode}; use a USB4 or Thunderbolt 4 cable."},
      {kPortLacksMode, nullptr, "This port cannot do {mode}; USB-C {otherPort} can."},
      {kDeviceBelowItsSpeed, nullptr,
       "{device} runs at {nowMbps} but can do {bestMbps}; try another {blame}."},
      {kChargerTooWeak, nullptr,
       "The charger gives {offerWatts} W; this laptop asks for up to {needWatts} W."},
      {kChargingSlowly, "firmware", "Charging slowly: the firmware reports a weak charger."},
      {kChargingSlowly, "rating", "Charging slowly: the charger gives only {watts} W."},
      {kCableCapsCharging, nullptr,
       "The cable carries at most 3 A (60 W); the charger could give {offerWatts} W."},
      {kLoadExceedsCharger, nullptr, "Not charging: the laptop uses more than the charger gives."},
  };
  const std::string* reason = adviceWord(e, "reason");
  for (const Template& t : kTemplates) {
    if (t.hint != e.hint || (t.reason && (!reason || *reason != t.reason))) continue;
    return fillAdviceTemplate(t.text, e, [](std::string_view, const std::string& w) { return w; });
  }
  return {};
}

std::vector<AdviceEntry> adviceFromFacts(const SysfsFacts& facts) {
  static constexpr Hint (*kRules[])(const SysfsFacts&, std::size_t) = {
      cableLimitsSpeed, cableNoVideo,   cableLimitsUsb4,   portLacksMode,     deviceBelowItsSpeed,
      chargerTooWeak,   chargingSlowly, cableCapsCharging, loadExceedsCharger,
  };
  std::vector<AdviceEntry> entries;
  for (std::size_t i = 0; i < facts.connectors.size(); ++i) {
    for (const auto rule : kRules) {
      if (Hint hint = rule(facts, i)) {
        hint->text = englishText(*hint);
        entries.push_back(std::move(*hint));
      }
    }
  }
  return entries;
}

}  // namespace plugscope::advice
