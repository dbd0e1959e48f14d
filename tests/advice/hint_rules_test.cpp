// Each hint rule as a table of named rows over facts. Identity VDOs are
// real cables and docks (ChromiumOS typecd's test devices); bit layouts are
// the kernel's. Expected verdicts are reasoned from the rules, near misses
// included.
#include <gtest/gtest.h>

#include <functional>

#include "advice/bos_descriptor.h"
#include "advice/hint_rules.h"

namespace plugscope::advice {
namespace {

using Values = std::vector<AdviceValue>;

// ---- devices ----

struct Identity {
  const char* revision;
  const char* header;
  const char* vdo1;
};

AltModeFacts mode(const char* owner, int index, const char* svid, const char* vdo,
                  const char* active = "no") {
  return AltModeFacts{std::string(owner) + "." + std::to_string(index), svid, vdo, active, {}};
}

PartnerFacts partner(Identity id, std::vector<AltModeFacts> modes = {}) {
  PartnerFacts p;
  p.usbPowerDeliveryRevision = id.revision;
  p.identity.idHeader = id.header;
  p.identity.productTypeVdo1 = id.vdo1;
  p.altModes = std::move(modes);
  return p;
}

CableFacts cable(Identity id, std::vector<AltModeFacts> plugModes = {}) {
  CableFacts c;
  c.usbPowerDeliveryRevision = id.revision;
  c.identity.idHeader = id.header;
  c.identity.productTypeVdo1 = id.vdo1;
  c.identity.productTypeVdo2 = "0x00000000";
  if (!plugModes.empty()) c.plugs.push_back(PlugFacts{"port0-plug0", std::move(plugModes)});
  return c;
}

// Docks and displays.
const Identity kOwcTbt4Dock{"3.0", "0x4cc01e91", "0x0d00003b"};       // USB4 hub, Gen3
const Identity kHpG4Dock{"3.1", "0x4ce003f0", "0x6d80003b"};          // captive connector
const Identity kStartechTb3Dock{"2.0", "0xd4008087", "0x00000000"};   // TBT3 peripheral
const Identity kWimaxitDisplay{"3.0", "0x6c0004e8", "0x110000db"};    // billboard-only AMA
const Identity kTargusDv4kDock{"3.0", "0x6c000835", "0xff00003a"};    // AMA at Gen2
// Cables.
const Identity kNekteckUsb2{"3.0", "0x18002e98", "0xc1082040"};       // passive USB 2, 5 A
const Identity kHpUsb3Gen1{"3.0", "0x180003f0", "0x11084851"};
const Identity kHongjuGen1{"2.0", "0x18005694", "0x00084051"};
const Identity kCableMatters20G{"3.0", "0x1860060f", "0x11084042"};   // passive Gen2, 5 A
const Identity kCalDigitTbt4{"3.0", "0x1c002b1d", "0x11082043"};      // passive Gen3
const Identity kBelkinTbt3Passive{"3.0", "0x1c002b1d", "0x11082042"};
const Identity kBelkinTbt3Active{"2.0", "0x240020c2", "0x21085858"};
const Identity kAppleTbt3Pro{"3.0", "0x240005ac", "0x434858da"};
const Identity kAnkerGen2{"2.0", "0x1c00291a", "0x11082032"};         // 3 A
const Identity kDellCaptive{"3.0", "0x1c00413c", "0x110c2042"};
const Identity kZeroIdentity{"0.0", "0x00000000", "0x00000000"};

constexpr const char* kUsb4PortTarget = "../../0000:00:0d.2/domain0/0-0/usb4_port1";

ConnectorFacts port(std::int64_t index, const char* dataRole = "[host] device") {
  ConnectorFacts c;
  c.index = index;
  c.powerRole = "[source] sink";
  c.dataRole = dataRole;
  return c;
}

ConnectorFacts usb4Port(std::int64_t index, SysfsText link = "usb4") {
  ConnectorFacts c = port(index);
  c.usb4Ports.push_back(Usb4PortLinkFacts{1, kUsb4PortTarget, link});
  return c;
}

SysfsFacts machine(std::vector<ConnectorFacts> connectors) {
  SysfsFacts facts;
  facts.connectors = std::move(connectors);
  return facts;
}

// What a rule gave for connector 0: its values, or none.
std::optional<Values> verdict(Hint (*rule)(const SysfsFacts&, std::size_t), const SysfsFacts& facts,
                              std::size_t connector = 0) {
  const Hint hint = rule(facts, connector);
  if (!hint) return std::nullopt;
  EXPECT_EQ(hint->port, facts.connectors[connector].index + 1);
  return hint->values;
}

AdviceValue n(const char* name, std::int64_t value) { return {name, value}; }
AdviceValue w(const char* name, const char* value) { return {name, value}; }

struct Row {
  const char* name;
  SysfsFacts facts;
  std::optional<Values> expected;
};

void check(Hint (*rule)(const SysfsFacts&, std::size_t), const std::vector<Row>& rows) {
  for (const Row& row : rows) EXPECT_EQ(verdict(rule, row.facts), row.expected) << row.name;
}

SysfsFacts plugged(ConnectorFacts c, std::optional<PartnerFacts> p, std::optional<CableFacts> k) {
  c.partner = std::move(p);
  c.cable = std::move(k);
  return machine({std::move(c)});
}

TEST(HintRules, CableLimitsSpeed) {
  const auto tbt3Passive = cable(kBelkinTbt3Passive, {mode("port0-plug0", 0, "8087", "0x00030001")});
  const auto tbt3Active = cable(kBelkinTbt3Active, {mode("port0-plug0", 0, "8087", "0x00430001")});
  const auto tbtDock = partner(kStartechTb3Dock, {mode("port0-partner", 0, "8087", "0x00000001")});
  const Values owcOn20G{n("cableMbps", 10000), n("deviceMbps", 40000)};
  check(cableLimitsSpeed,
        {
            {"USB4 dock on a 20 Gb/s cable", plugged(port(0), partner(kOwcTbt4Dock), cable(kCableMatters20G)), owcOn20G},
            {"our port is the USB device", plugged(port(0, "host [device]"), partner(kOwcTbt4Dock), cable(kCableMatters20G)), {}},
            {"same on a USB4 port", plugged(usb4Port(0), partner(kOwcTbt4Dock), cable(kCableMatters20G)), owcOn20G},
            {"USB4 dock on a Gen3 cable", plugged(port(0), partner(kOwcTbt4Dock), cable(kCalDigitTbt4)), {}},
            {"USB4 dock on an 80 Gb/s cable (speed code 4, three bits)",
             plugged(port(0), partner(kOwcTbt4Dock), cable({"3.1", "0x1c002b1d", "0x11082044"})), {}},
            {"TBT3 passive cable counts as Gen3", plugged(port(0), partner(kOwcTbt4Dock), tbt3Passive), {}},
            {"captive cable plug", plugged(port(0), partner(kOwcTbt4Dock), cable(kDellCaptive)), {}},
            {"captive by the dock's connector type", plugged(port(0), partner(kHpG4Dock), cable(kCableMatters20G)), {}},
            {"all-zero cable identity", plugged(port(0), partner(kOwcTbt4Dock), cable(kZeroIdentity)), {}},
            {"no cable device", plugged(port(0), partner(kOwcTbt4Dock), std::nullopt), {}},
            {"hub on PD 2.0: UFP VDO not trusted",
             plugged(port(0), partner({"2.0", kOwcTbt4Dock.header, kOwcTbt4Dock.vdo1}), cable(kCableMatters20G)), {}},
            {"unknown PD revision",
             plugged(port(0), partner({"0.0", kOwcTbt4Dock.header, kOwcTbt4Dock.vdo1}), cable(kCableMatters20G)), {}},
            {"hub on PD 3.1 is trusted",
             plugged(port(0), partner({"3.1", kOwcTbt4Dock.header, kOwcTbt4Dock.vdo1}), cable(kCableMatters20G)), owcOn20G},
            {"adapter on PD 3.1 is not",
             plugged(port(0), partner({"3.1", kTargusDv4kDock.header, kTargusDv4kDock.vdo1}), cable(kNekteckUsb2)), {}},
            {"adapter at Gen2 on a USB 2 cable", plugged(port(0), partner(kTargusDv4kDock), cable(kNekteckUsb2)),
             Values{n("cableMbps", 480), n("deviceMbps", 10000)}},
            {"billboard-only display", plugged(port(0), partner(kWimaxitDisplay), cable(kNekteckUsb2)), {}},
            {"TBT3 mode, cable with a Thunderbolt mode", plugged(usb4Port(0), tbtDock, tbt3Active), {}},
            {"TBT3 mode on a Gen1 cable", plugged(usb4Port(0), tbtDock, cable(kHongjuGen1)),
             Values{n("cableMbps", 5000), n("deviceMbps", 40000)}},
            {"TBT3 dock on a plain port: PD 2.0 peripheral not trusted",
             plugged(port(0), tbtDock, cable(kHongjuGen1)), {}},
        });
}

TEST(HintRules, CableNoVideo) {
  const auto display = [](const char* vdo, const char* active = "no") {
    return partner(kWimaxitDisplay, {mode("port0-partner", 0, "ff01", vdo, active)});
  };
  const auto appleModes = std::vector<AltModeFacts>{mode("port0-plug0", 0, "8087", "0x00cb0001"),
                                                     mode("port0-plug0", 1, "ff01", "0x000c0c0c")};
  check(cableNoVideo,
        {
            {"display on a USB 2 cable", plugged(port(0), display("0x00040045"), cable(kNekteckUsb2)), Values{}},
            {"dock on a USB 2 cable", plugged(port(0), partner(kOwcTbt4Dock, {mode("port0-partner", 0, "ff01", "0x001c0045")}), cable(kNekteckUsb2)), Values{}},
            {"mode entered: the picture is on", plugged(port(0), display("0x00040045", "yes"), cable(kNekteckUsb2)), {}},
            {"captive display cable (no receptacle)", plugged(port(0), display("0x00000405"), cable(kNekteckUsb2)), {}},
            {"not a DisplayPort sink", plugged(port(0), display("0x00040046"), cable(kNekteckUsb2)), {}},
            {"USB 3 cable", plugged(port(0), display("0x00040045"), cable(kHpUsb3Gen1)), {}},
            {"active cable without a DisplayPort plug mode",
             plugged(port(0), display("0x00040045"), cable(kBelkinTbt3Active, {mode("port0-plug0", 0, "8087", "0x00430001"), mode("port0-plug0", 1, "04b4", "0x00000001")})),
             Values{}},
            {"active cable with one", plugged(port(0), display("0x00040045"), cable(kAppleTbt3Pro, appleModes)), {}},
            {"active cable, plug modes unknown", plugged(port(0), display("0x00040045"), cable(kBelkinTbt3Active)), {}},
            {"all-zero cable identity", plugged(port(0), display("0x00040045"), cable(kZeroIdentity)), {}},
            {"no cable device", plugged(port(0), display("0x00040045"), std::nullopt), {}},
        });
}

TEST(HintRules, CableLimitsUsb4) {
  const auto dock = partner(kOwcTbt4Dock, {mode("port0-partner", 0, "ff01", "0x001c0045"),
                                           mode("port0-partner", 1, "8087", "0x00000001")});
  const auto tbtDock = partner(kStartechTb3Dock, {mode("port0-partner", 0, "8087", "0x00000001")});
  const auto belkinActive = cable(kBelkinTbt3Active, {mode("port0-plug0", 0, "8087", "0x00430001")});
  const auto apple = cable(kAppleTbt3Pro, {mode("port0-plug0", 0, "8087", "0x00cb0001")});
  ConnectorFacts tbtOnlyPort = port(0);
  tbtOnlyPort.altModes.push_back(mode("port0", 0, "8087", "0x00000001", "yes"));
  const auto mode_ = [](const char* m) { return Values{w("mode", m)}; };
  check(cableLimitsUsb4,
        {
            {"USB4 dock on a TBT3 active cable", plugged(usb4Port(0), dock, belkinActive), mode_("thunderbolt3")},
            {"USB4 dock on a USB 2 cable", plugged(usb4Port(0), dock, cable(kNekteckUsb2)), mode_("usb2")},
            {"USB4 dock on a Gen3 passive cable", plugged(usb4Port(0), dock, cable(kCalDigitTbt4)), {}},
            {"rounded TBT3 active cable passes", plugged(usb4Port(0), dock, apple), {}},
            {"port without USB4 or Thunderbolt", plugged(port(0), dock, cable(kNekteckUsb2)), {}},
            {"TBT3 dock on a USB 2 cable", plugged(tbtOnlyPort, tbtDock, cable(kNekteckUsb2)), mode_("usb2")},
            {"TBT3 dock on a PD 2.0 Gen1 cable", plugged(tbtOnlyPort, tbtDock, cable(kHongjuGen1)), {}},
            {"TBT3 dock on a cable of unknown revision",
             plugged(tbtOnlyPort, tbtDock, cable({"0.0", kNekteckUsb2.header, kNekteckUsb2.vdo1})), {}},
            {"link runs Thunderbolt though the cable passes", plugged(usb4Port(0, "tbt"), dock, cable(kCalDigitTbt4)), mode_("thunderbolt3")},
            {"link runs nothing on a 20 Gb/s cable", plugged(usb4Port(0, "none"), dock, cable(kCableMatters20G)), mode_("usb3")},
            {"link runs nothing, cable and devices unknown", plugged(usb4Port(0, "none"), dock, std::nullopt), {}},
            {"link runs USB4", plugged(usb4Port(0, "usb4"), dock, std::nullopt), {}},
            {"all-zero cable identity, link unread", plugged(usb4Port(0, std::nullopt), dock, cable(kZeroIdentity)), {}},
        });
}

TEST(HintRules, PortLacksModeNamesTheFirstPortThatHasIt) {
  const auto display = partner(kWimaxitDisplay, {mode("port0-partner", 0, "ff01", "0x00040045")});
  const auto dock = partner(kOwcTbt4Dock);
  const auto tbtDock = partner(kStartechTb3Dock, {mode("port0-partner", 0, "8087", "0x00000001")});
  ConnectorFacts dp = port(1), tbt = port(2);
  dp.altModes.push_back(mode("port1", 0, "ff01", "0x000c0045", "yes"));
  tbt.altModes.push_back(mode("port2", 0, "8087", "0x00000001", "yes"));
  const auto two = [&](std::optional<PartnerFacts> p, std::vector<ConnectorFacts> others) {
    ConnectorFacts first = port(0);
    first.partner = std::move(p);
    others.insert(others.begin(), first);
    return machine(std::move(others));
  };
  check(portLacksMode,
        {
            {"display, port 2 has DisplayPort", two(display, {dp}), Values{w("mode", "displayport"), n("otherPort", 2)}},
            {"display, no port has it", two(display, {port(1)}), {}},
            {"USB4 dock, port 3 has USB4", two(dock, {dp, usb4Port(2)}), Values{w("mode", "usb4"), n("otherPort", 3)}},
            {"TBT3 dock, port 3 has Thunderbolt", two(tbtDock, {dp, tbt}), Values{w("mode", "thunderbolt"), n("otherPort", 3)}},
            {"nothing attached", two(std::nullopt, {dp, usb4Port(2)}), {}},
        });
  SysfsFacts offered = two(display, {dp});
  offered.connectors[0].altModes.push_back(mode("port0", 0, "ff01", "0x000c0045", "yes"));
  EXPECT_EQ(verdict(portLacksMode, offered), std::nullopt) << "this port offers it";
}

// Binary Object Stores: a USB 3 device (SuperSpeed capability, speeds
// 0x000e: full, high and 5 Gb/s) and one that adds SuperSpeedPlus at 10 Gb/s.
std::string bos(bool plus) {
  std::string bytes("\x05\x0f\x16\x00\x02"
                    "\x07\x10\x02\x06\x00\x00\x00"
                    "\x0a\x10\x03\x00\x0e\x00\x01\x0a\xff\x07",
                    22);
  if (plus) {
    bytes += std::string("\x14\x10\x0a\x00\x01\x00\x00\x00\x00\x11\x00\x00"
                         "\x30\x40\x0a\x00\xb0\x40\x0a\x00",
                         20);
    bytes[2] = static_cast<char>(22 + 20);
    bytes[4] = 3;
  }
  return bytes;
}

TEST(HintRules, BosDescriptorsGiveTheBestDeclaredSpeed) {
  EXPECT_EQ(bosBestMegabits(bos(false)), 5000);
  EXPECT_EQ(bosBestMegabits(bos(true)), 10000);
  EXPECT_EQ(bosBestMegabits(std::string("\x05\x0f\x0c\x00\x01\x07\x10\x02\x06\x00\x00\x00", 12)),
            std::nullopt) << "USB 2 extension only";
  EXPECT_EQ(bosBestMegabits(bos(false).substr(0, 20)), std::nullopt) << "capability cut short";
  EXPECT_EQ(bosBestMegabits(""), std::nullopt);
  EXPECT_EQ(bosBestMegabits(std::string("\x00\x0f\x05\x00\x00", 5)), std::nullopt);
}

UsbDeviceFacts usbDevice(const char* name, const char* speed, std::optional<std::string> bosBytes,
                         std::optional<std::string> peer = std::nullopt,
                         const char* product = "Portable SSD") {
  UsbDeviceFacts d;
  const auto parsed = sysfs::usbDeviceName(name);
  d.name = *parsed;
  d.product = product ? SysfsText(product) : std::nullopt;
  d.speed = speed;
  d.bosDescriptors = std::move(bosBytes);
  d.portPeer = std::move(peer);
  return d;
}

TEST(HintRules, DeviceBelowItsSpeedBlamesCablePortOrEither) {
  // Connector 0 has the high-speed port usb3-port1 (bus 3: 480 Mb/s) and
  // the SuperSpeed port usb2-port1 (bus 2: 10 Gb/s), as on the Chromebook.
  const auto laptop = [](std::optional<CableFacts> k, std::vector<UsbDeviceFacts> devices,
                         const char* superSpeedRoot = "10000") {
    ConnectorFacts c = port(0);
    c.partner = partner(kHpUsb3Gen1);
    c.cable = std::move(k);
    c.usbPorts = {*sysfs::usbPortName("usb2-port1"), *sysfs::usbPortName("usb3-port1")};
    SysfsFacts facts = machine({c});
    facts.usbDevices = {usbDevice("usb2", superSpeedRoot, std::nullopt, std::nullopt, nullptr),
                        usbDevice("usb3", "480", std::nullopt, std::nullopt, nullptr)};
    for (auto& d : devices) facts.usbDevices.push_back(std::move(d));
    return facts;
  };
  const std::string toSuperSpeed = "../../../usb2/2-0:1.0/usb2-port1";
  const auto slow = [&](const char* blame, std::int64_t best = 5000, const char* product = "Portable SSD") {
    return Values{w("device", product), n("nowMbps", 480), n("bestMbps", best), w("blame", blame)};
  };
  check(deviceBelowItsSpeed,
        {
            {"USB 2 cable", laptop(cable(kNekteckUsb2), {usbDevice("3-1", "480", bos(false), toSuperSpeed)}), slow("cable")},
            {"cable unknown", laptop(std::nullopt, {usbDevice("3-1", "480", bos(false), toSuperSpeed)}), slow("cable-or-port")},
            {"no SuperSpeed peer", laptop(std::nullopt, {usbDevice("3-1", "480", bos(false))}), slow("port")},
            {"SuperSpeed root slower than the device's best",
             laptop(std::nullopt, {usbDevice("3-1", "480", bos(true), toSuperSpeed)}, "5000"), slow("port", 10000)},
            {"no name: as the row shows it", laptop(std::nullopt, {usbDevice("3-1", "480", bos(false), toSuperSpeed, nullptr)}),
             slow("cable-or-port", 5000, "USB device")},
            {"at its best speed", laptop(std::nullopt, {usbDevice("2-1", "5000", bos(false), "../../../usb3/3-0:1.0/usb3-port1")}), {}},
            {"USB 3 hub's USB 2 half",
             laptop(std::nullopt, {usbDevice("2-1", "5000", bos(false), "../../../usb3/3-0:1.0/usb3-port1"),
                                   usbDevice("3-1", "480", bos(false), toSuperSpeed)}), {}},
            {"no BOS descriptors", laptop(std::nullopt, {usbDevice("3-1", "480", std::nullopt, toSuperSpeed)}), {}},
        });
  // Devices matched through the partner's links: the first in bus order,
  // 3-2 before 3-10, whatever order the listing gave.
  SysfsFacts two = laptop(std::nullopt, {usbDevice("3-10", "480", bos(true), toSuperSpeed, "Second"),
                                         usbDevice("3-2", "480", bos(false), toSuperSpeed, "First")});
  two.connectors[0].partner->usbDevices = {*sysfs::usbDeviceName("3-10"), *sysfs::usbDeviceName("3-2")};
  EXPECT_EQ(verdict(deviceBelowItsSpeed, two), slow("cable-or-port", 5000, "First"));
}

PdObjectFacts object(const char* name, std::map<std::string, std::string> values) {
  return PdObjectFacts{name, std::move(values)};
}
PdObjectFacts source(int position, const char* mv, const char* ma) {
  return object((std::to_string(position) + ":fixed_supply").c_str(),
                {{"voltage", mv}, {"maximum_current", ma}});
}
PdObjectFacts sink(int position, const char* mv, const char* ma) {
  return object((std::to_string(position) + ":fixed_supply").c_str(),
                {{"voltage", mv}, {"operational_current", ma}});
}

// A laptop charging on connector 0 from a charger with these source
// objects, asking with these sink objects, through this cable.
SysfsFacts charging(std::vector<PdObjectFacts> sources, std::vector<PdObjectFacts> sinks,
                    std::optional<CableFacts> k = std::nullopt, const char* powerRole = "source [sink]") {
  ConnectorFacts c = port(0);
  c.powerRole = powerRole;
  c.partner = PartnerFacts{};
  c.partner->powerDelivery.link = "pd1";
  c.partner->powerDelivery.sets.push_back(PowerDeliveryFacts{"pd1", "3.0", std::move(sources), {}});
  c.powerDelivery.link = "pd0";
  c.powerDelivery.sets.push_back(PowerDeliveryFacts{"pd0", "3.0", {}, std::move(sinks)});
  c.cable = std::move(k);
  return machine({c});
}

TEST(HintRules, ChargerTooWeak) {
  const std::vector<PdObjectFacts> laptop65{sink(1, "5000mV", "3000mA"), sink(2, "20000mV", "3250mA")};
  check(chargerTooWeak,
        {
            {"45 W charger, 65 W laptop", charging({source(1, "5000mV", "3000mA"), source(2, "20000mV", "2250mA")}, laptop65),
             Values{n("offerWatts", 45), n("needWatts", 65)}},
            {"charger equal to the need", charging({source(1, "20000mV", "3250mA")}, laptop65), {}},
            {"below the need within one whole watt",
             charging({source(1, "20000mV", "3250mA")}, {sink(1, "20000mV", "3275mA")}), {}},
            {"not taking power", charging({source(1, "20000mV", "2250mA")}, laptop65, std::nullopt, "[source] sink"), {}},
            {"no sink objects", charging({source(1, "20000mV", "2250mA")}, {}), {}},
            {"zero-filled sink object is no need", charging({source(1, "20000mV", "2250mA")}, {sink(1, "5000mV", "3000mA"), sink(2, "0mV", "0mA")}), {}},
        });
}

PowerSupplyFacts supply(const char* name, const char* type, SysfsText online) {
  PowerSupplyFacts s;
  s.name = name;
  s.type = type;
  s.online = online;
  return s;
}

PowerSupplyFacts ucsi(const char* chargeType, const char* microvolts = "20000000",
                      const char* microamps = "3250000", const char* online = "1") {
  PowerSupplyFacts s = supply("ucsi-source-psy-USBC000:001", "USB", online);
  s.chargeType = chargeType ? SysfsText(chargeType) : std::nullopt;
  s.voltageMax = microvolts;
  s.currentMax = microamps;
  return s;
}

PowerSupplyFacts battery(const char* status, const char* capacity = "60",
                         const char* threshold = nullptr, const char* scope = nullptr) {
  PowerSupplyFacts s = supply("BAT0", "Battery", std::nullopt);
  s.status = status;
  s.capacity = capacity ? SysfsText(capacity) : std::nullopt;
  s.chargeControlEndThreshold = threshold ? SysfsText(threshold) : std::nullopt;
  s.scope = scope ? SysfsText(scope) : std::nullopt;
  return s;
}

SysfsFacts withSupplies(std::vector<PowerSupplyFacts> supplies, bool takingPower = true) {
  SysfsFacts facts = charging({}, {}, std::nullopt, takingPower ? "source [sink]" : "[source] sink");
  facts.powerSupplies = std::move(supplies);
  return facts;
}

TEST(HintRules, ChargingSlowly) {
  PowerSupplyFacts batteryTrickle = battery("Charging");
  batteryTrickle.chargeType = "Trickle";
  check(chargingSlowly,
        {
            {"firmware reports slow charging", withSupplies({ucsi("Trickle")}), Values{w("reason", "firmware")}},
            {"5 V at 3 A", withSupplies({ucsi("Standard", "5000000", "3000000")}), Values{w("reason", "rating"), n("watts", 15)}},
            {"65 W", withSupplies({ucsi("Standard")}), {}},
            {"exactly 20 W", withSupplies({ucsi(nullptr, "5000000", "4000000")}), {}},
            {"19.98 W is 19 W", withSupplies({ucsi(nullptr, "9000000", "2220000")}), Values{w("reason", "rating"), n("watts", 19)}},
            {"a battery's care mode is not read", withSupplies({batteryTrickle, ucsi("Standard")}), {}},
            {"impossible 39 V x 5.93 A rating", withSupplies({ucsi("Standard", "39000000", "5930000")}), {}},
            {"supply offline", withSupplies({ucsi("Trickle", "5000000", "3000000", "0")}), {}},
            {"no port taking power", withSupplies({ucsi("Trickle")}, false), {}},
        });
  // Supply-level hints go to the first port taking power only.
  SysfsFacts two = withSupplies({ucsi("Trickle")});
  two.connectors.push_back(two.connectors[0]);
  two.connectors[1].index = 1;
  EXPECT_TRUE(chargingSlowly(two, 0));
  EXPECT_FALSE(chargingSlowly(two, 1));
}

TEST(HintRules, CableCapsCharging) {
  const std::vector<PdObjectFacts> charger100{source(1, "5000mV", "3000mA"), source(2, "20000mV", "5000mA")};
  const std::vector<PdObjectFacts> laptop90{sink(1, "5000mV", "3000mA"), sink(2, "20000mV", "4500mA")};
  const Values capped{n("offerWatts", 100), n("needWatts", 90)};
  check(cableCapsCharging,
        {
            {"3 A cable", charging(charger100, laptop90, cable(kAnkerGen2)), capped},
            {"no e-marker", charging(charger100, laptop90, cable(kZeroIdentity)), capped},
            {"5 A cable", charging(charger100, laptop90, cable(kCableMatters20G)), {}},
            {"no cable device", charging(charger100, laptop90), {}},
            {"charger gives 3 A at 20 V", charging({source(1, "20000mV", "3000mA")}, laptop90, cable(kAnkerGen2)), {}},
            {"laptop asks for exactly 60 W", charging(charger100, {sink(1, "20000mV", "3000mA")}, cable(kAnkerGen2)), {}},
            {"5 A only at 15 V", charging({source(1, "15000mV", "5000mA"), source(2, "20000mV", "3000mA")}, laptop90, cable(kAnkerGen2)), {}},
        });
}

TEST(HintRules, LoadExceedsCharger) {
  const PowerSupplyFacts usbOnline = ucsi("Standard");
  check(loadExceedsCharger,
        {
            {"discharging on a USB charger", withSupplies({usbOnline, battery("Discharging")}), Values{}},
            {"battery charging", withSupplies({usbOnline, battery("Charging")}), {}},
            {"charge threshold reached", withSupplies({usbOnline, battery("Discharging", "80", "80")}), {}},
            {"below its threshold", withSupplies({usbOnline, battery("Discharging", "60", "80")}), Values{}},
            {"threshold without a capacity", withSupplies({usbOnline, battery("Discharging", nullptr, "80")}), {}},
            {"a mouse's battery", withSupplies({usbOnline, battery("Discharging", "60", nullptr, "Device")}), {}},
            {"USB charger offline", withSupplies({ucsi("Standard", "20000000", "3250000", "0"), battery("Discharging")}), {}},
            {"no port taking power", withSupplies({usbOnline, battery("Discharging")}, false), {}},
        });
}

TEST(HintRules, AdviceListsPortsInOrderThenHintsInOrderWithTheirText) {
  const std::vector<PdObjectFacts> laptop65{sink(1, "20000mV", "3250mA")};
  SysfsFacts facts = charging({source(1, "20000mV", "2250mA")}, laptop65, cable(kNekteckUsb2));
  facts.powerSupplies = {ucsi("Trickle"), battery("Discharging")};
  ConnectorFacts display = port(1);
  display.partner = partner(kWimaxitDisplay, {mode("port1-partner", 0, "ff01", "0x00040045")});
  display.cable = cable(kNekteckUsb2);
  facts.connectors.push_back(display);
  const auto entries = adviceFromFacts(facts);
  std::vector<std::pair<std::int64_t, std::string>> order;
  for (const auto& e : entries) order.emplace_back(e.port, e.hint);
  EXPECT_EQ(order, (std::vector<std::pair<std::int64_t, std::string>>{
                       {1, "charger-too-weak"}, {1, "charging-slowly"}, {1, "load-exceeds-charger"},
                       {2, "cable-no-video"}}));
  ASSERT_EQ(entries.size(), 4u);
  EXPECT_EQ(entries[0].text, "The charger gives 45 W; this laptop asks for up to 65 W.");
  EXPECT_EQ(entries[1].text, "Charging slowly: the firmware reports a weak charger.");
  EXPECT_EQ(entries[3].text,
            "This cable cannot carry a display signal; use a USB 3 or Thunderbolt cable.");
  EXPECT_TRUE(adviceFromFacts(SysfsFacts{}).empty());
}

TEST(HintRules, EnglishTextPutsValuesIntoTheTemplate) {
  struct Case {
    const char* name;
    AdviceEntry entry;
    const char* text;
  };
  const Case cases[] = {
      {"speeds", {1, "cable-limits-speed", {n("cableMbps", 480), n("deviceMbps", 1500)}, {}},
       "The cable limits this port to 480 Mb/s; the device can do 1.5 Gb/s."},
      {"words as they are", {1, "device-below-its-speed", {w("device", "SSD {x}"), n("nowMbps", 480), n("bestMbps", 10000), w("blame", "cable-or-port")}, {}},
       "SSD {x} runs at 480 Mb/s but can do 10 Gb/s; try another cable-or-port."},
      {"port number", {1, "port-lacks-mode", {w("mode", "usb4"), n("otherPort", 3)}, {}},
       "This port cannot do usb4; USB-C 3 can."},
      {"reason chooses the sentence", {1, "charging-slowly", {w("reason", "rating"), n("watts", 15)}, {}},
       "Charging slowly: the charger gives only 15 W."},
      {"unknown hint", {1, "no-such-hint", {}, {}}, ""},
  };
  for (const Case& c : cases) EXPECT_EQ(englishText(c.entry), c.text) << c.name;
}

}  // namespace
}  // namespace plugscope::advice
