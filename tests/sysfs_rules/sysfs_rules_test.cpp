// Each rule over sysfs facts, as a table of named rows. Values are the
// kernel's own texts, as real machines print them.
#include <gtest/gtest.h>

#include "sysfs_rules/sysfs_rules.h"

namespace plugscope::sysfs {
namespace {

using Values = std::map<std::string, std::string>;

ConnectorFacts connector(std::int64_t index, const char* powerRole, bool attached) {
  ConnectorFacts c;
  c.index = index;
  c.powerRole = powerRole;
  if (attached) c.partner = PartnerFacts{};
  return c;
}

AltModeFacts mode(const char* svid, SysfsText active, SysfsText groupActive = std::nullopt,
                  SysfsText vdo = std::nullopt) {
  AltModeFacts m{"port0-partner.0", svid, std::move(vdo), std::move(active), {}};
  if (groupActive) m.groups.push_back(ModeGroupFacts{"mode1", groupActive});
  return m;
}

PdObjectFacts object(const char* name, Values values) { return PdObjectFacts{name, std::move(values)}; }

PdObjectFacts fixed(int position, const char* millivolts, const char* milliamperes) {
  return object((std::to_string(position) + ":fixed_supply").c_str(),
                {{"voltage", millivolts}, {"maximum_current", milliamperes}});
}

// A partner whose objects sit where most kernels put them: in pd0, which
// its usb_power_delivery link names.
PartnerFacts advertising(std::vector<PdObjectFacts> objects) {
  PartnerFacts partner;
  partner.powerDelivery.link = "pd0";
  partner.powerDelivery.sets.push_back(PowerDeliveryFacts{"pd0", "3.0", std::move(objects), {}});
  return partner;
}

PowerSupplyFacts supply(const char* name, const char* type, SysfsText online,
                        SysfsText microvolts = std::nullopt, SysfsText microamperes = std::nullopt) {
  PowerSupplyFacts s;
  s.name = name;
  s.type = type;
  s.online = std::move(online);
  s.voltageMax = std::move(microvolts);
  s.currentMax = std::move(microamperes);
  return s;
}

TEST(SysfsRules, CableKindFromTypeIdentityAndThunderboltModes) {
  struct Case {
    const char* name;
    const char* type;  // nullptr: no type attribute
    const char* idHeader;
    const char* vdo2;
    const char* plugModeVdo;  // the plug's 8087 mode; nullptr = none
    bool smart, active, optical;
  };
  const Case cases[] = {
      {"passive e-marked", "passive", "0x18000000", "0x00000000", nullptr, true, false, false},
      {"identity not yet discovered", "passive", "0x00000000", "0x00000000", nullptr, false, false, false},
      {"active copper", "active", "0x20000000", "0x00000000", nullptr, true, true, false},
      {"active optical", "active", "0x20000000", "0x00000400", nullptr, true, true, true},
      {"passive with stray bit", "passive", "0x18000000", "0x00000400", nullptr, true, false, false},
      {"optical by Thunderbolt mode", "active", "0x20000000", "0x00000000", "0x00200000", true, true, true},
      {"Thunderbolt copper", "active", "0x20000000", "0x00000000", "0x00030000", true, true, false},
      {"garbage identity", "active", "zz", "zz", nullptr, false, true, false},
      {"passive type beats an active header", "passive", "0x20000000", "0x00000400", nullptr, true, false, false},
      {"no type: active header", nullptr, "0x20000000", "0x00000000", nullptr, true, true, false},
      {"no type: active optical header", nullptr, "0x20000000", "0x00000400", nullptr, true, true, true},
      {"no type: passive header", nullptr, "0x18000000", "0x00000400", nullptr, true, false, false},
      {"no type: zero header, no e-marker", nullptr, "0x00000000", "0x00000400", nullptr, false, false, false},
      {"unknown type word: header decides", "vpd", "0x20000000", "0x00000000", nullptr, true, true, false},
      {"no type, unreadable header", nullptr, "zz", "0x00000400", "0x00200000", false, false, false},
  };
  for (const Case& c : cases) {
    CableFacts cable;
    if (c.type) cable.type = c.type;
    cable.plugType = "type-c";
    cable.identity.idHeader = c.idHeader;
    cable.identity.productTypeVdo2 = c.vdo2;
    if (c.plugModeVdo) {
      cable.plugs.push_back(PlugFacts{
          "port0-plug0", {AltModeFacts{"port0-plug0.0", "8087", c.plugModeVdo, "no", {}}}});
    }
    EXPECT_EQ(cableKind(cable), (CableKind{c.smart, c.active, c.optical})) << c.name;
  }
  EXPECT_EQ(cableKind(std::nullopt), CableKind{}) << "no cable device: nothing known";
}

TEST(SysfsRules, PowerInOnlyForAnAttachedSink) {
  struct Case {
    const char* role;  // nullptr: no power_role attribute
    bool partner;
    bool powerIn;
  };
  const Case cases[] = {{"source [sink]", true, true},  {"[sink]", true, true},
                        {"[source] sink", true, false}, {"source [sink]", false, false},
                        {"garbled [", true, false},     {nullptr, true, false}};
  for (const Case& c : cases) {
    ConnectorFacts port = connector(0, "", c.partner);
    port.powerRole = c.role ? SysfsText(c.role) : std::nullopt;
    EXPECT_EQ(powerIn(port), c.powerIn) << (c.role ? c.role : "no role");
  }
}

TEST(SysfsRules, AModeCountsWhenAnyOfItsEntriesIsEntered) {
  struct Case {
    const char* name;
    std::vector<AltModeFacts> modes;
    EnteredModes entered;
  };
  const Case cases[] = {
      {"second of two DisplayPort modes", {mode("ff01", "no", "no"), mode("ff01", "yes", "yes")}, {true, false}},
      {"first of two", {mode("ff01", "yes", "yes"), mode("ff01", "no", "no")}, {true, false}},
      {"none entered", {mode("ff01", "no", "no"), mode("ff01", "no", "no")}, {false, false}},
      {"only the group tells", {mode("ff01", std::nullopt, "yes")}, {true, false}},
      {"neither tells", {mode("ff01", std::nullopt, std::nullopt)}, {false, false}},
      {"Thunderbolt beside DisplayPort",
       {mode("8087", "no", "no"), mode("8087", "yes", std::nullopt), mode("ff01", "no", "no")},
       {false, true}},
      {"a vendor mode entered", {mode("05ac", "yes", "yes")}, {false, false}},
      {"svid in capitals is not the kernel's", {mode("FF01", "yes")}, {false, false}},
  };
  for (const Case& c : cases) {
    PartnerFacts partner;
    partner.altModes = c.modes;
    EXPECT_EQ(enteredModes(partner), c.entered) << c.name;
  }
}

// A connector sinking from a charger, with the machine's mains online, so
// that the charger's objects alone decide the watts.
SysfsFacts charging(std::vector<PdObjectFacts> objects) {
  SysfsFacts facts;
  facts.connectors.push_back(connector(0, "source [sink]", true));
  facts.connectors[0].partner = advertising(std::move(objects));
  facts.powerSupplies.push_back(supply("AC", "Mains", "1"));
  return facts;
}

TEST(SysfsRules, EachSourceObjectsPowerAndTheImpossibleOnesDropped) {
  struct Case {
    const char* name;
    std::vector<PdObjectFacts> objects;
    std::optional<std::pair<const char*, const char*>> supply;  // voltage_max, current_max (micro)
    std::optional<std::int64_t> watts;
  };
  const auto ucsi231 = std::make_pair("39000000", "5930000");
  const Case cases[] = {
      {"fixed: voltage x maximum current",
       {fixed(1, "5000mV", "3000mA"), fixed(2, "15000mV", "3000mA")}, std::nullopt, 45},
      {"variable: maximum voltage x maximum current",
       {object("1:variable_supply",
               {{"minimum_voltage", "4750mV"}, {"maximum_voltage", "21000mV"}, {"maximum_current", "2000mA"}})},
       std::nullopt, 42},
      {"programmable",
       {object("4:programmable_supply",
               {{"minimum_voltage", "3300mV"}, {"maximum_voltage", "11000mV"}, {"maximum_current", "5000mA"}})},
       std::nullopt, 55},
      {"battery: maximum power",
       {object("3:battery",
               {{"maximum_voltage", "20000mV"}, {"minimum_voltage", "9000mV"}, {"maximum_power", "60000mW"}})},
       std::nullopt, 60},
      {"adjustable voltage: 20 V x its 15-20 V current",
       {object("5:spr_adjustable_voltage_supply",
               {{"maximum_current_9V_to_15V", "4000mA"}, {"maximum_current_15V_to_20V", "3350mA"},
                {"peak_current", "0"}})},
       std::nullopt, 67},
      {"unknown kind is no rating",
       {fixed(1, "5000mV", "3000mA"), object("2:mystery_supply", {{"voltage", "20000mV"}, {"maximum_current", "5000mA"}})},
       std::nullopt, 15},
      {"48 V x 5 A, 240 W, is the limit", {fixed(1, "48000mV", "5000mA")}, std::nullopt, 240},
      {"a bad object is skipped among the others",
       {fixed(1, "20000mV", "3000mA"), fixed(2, "48001mV", "3000mA"), fixed(3, "20000mV", "5001mA"),
        fixed(4, "0mV", "0mA"), object("5:battery", {{"maximum_power", "241000mW"}})},
       std::nullopt, 60},
      {"no plausible object: the supply's rating",
       {fixed(1, "0mV", "3000mA"), fixed(2, "20000mV", "0mA")}, std::make_pair("20000000", "2250000"), 45},
      {"a 231 W supply rating is dropped", {}, ucsi231, std::nullopt},
      {"a plausible object beats a bad supply", {fixed(1, "20000mV", "3000mA")}, ucsi231, 60},
      {"a zero supply rating is dropped", {}, std::make_pair("0", "3000000"), std::nullopt},
      {"a supply over 5 A", {}, std::make_pair("20000000", "5001000"), std::nullopt},
      {"a supply at the limit", {}, std::make_pair("48000000", "5000000"), 240},
      {"a battery object over 48 V",
       {object("1:battery", {{"maximum_voltage", "50000mV"}, {"maximum_power", "60000mW"}})}, std::nullopt,
       std::nullopt},
      {"a value without its unit still reads", {fixed(1, "20000", "3250")}, std::nullopt, 65},
      {"a value in another unit does not", {fixed(1, "20000mA", "3250mA")}, std::nullopt, std::nullopt},
  };
  for (const Case& c : cases) {
    SysfsFacts facts = charging(c.objects);
    if (c.supply) {
      facts.powerSupplies.push_back(
          supply("ucsi-source-psy-USBC000:001", "USB", "1", c.supply->first, c.supply->second));
    }
    EXPECT_EQ(chargerReading(facts).watts, c.watts) << c.name;
  }
}

TEST(SysfsRules, TheChargersObjectsAreReadWhereTheLinkLeadsElseInTheFirstSet) {
  auto set = [](const char* name, std::optional<std::vector<PdObjectFacts>> source) {
    return PowerDeliveryFacts{name, "3.0", std::move(source), std::nullopt};
  };
  const std::vector<PdObjectFacts> linked{fixed(1, "9000mV", "2000mA")};
  const std::vector<PdObjectFacts> child{fixed(1, "9000mV", "4000mA")};
  struct Case {
    const char* name;
    std::optional<std::string> link;
    std::vector<PowerDeliveryFacts> sets;
    const std::vector<PdObjectFacts>* expected;
  };
  const Case cases[] = {
      {"link to a child", "pd0", {set("pd0", linked)}, &linked},
      {"link to a child, written ./pd0/", "./pd0/", {set("pd0", linked)}, &linked},
      {"no link: the pdN child (newer UCSI)", std::nullopt, {set("pd7", child)}, &child},
      {"the link wins over another child", "../../usb_power_delivery/pd3",
       {set("pd7", child), set("usb_power_delivery", linked)}, &linked},
      {"the linked set lists no sources: the first child that does", "pd0",
       {set("pd0", std::nullopt), set("pd2", linked), set("pd10", child)}, &linked},
      {"a set whose source list is empty still answers", "pd0",
       {set("pd0", std::vector<PdObjectFacts>{}), set("pd1", child)}, nullptr},
      {"nothing", std::nullopt, {}, nullptr},
  };
  for (const Case& c : cases) {
    PartnerFacts partner;
    partner.powerDelivery = PowerDeliveryLinks{c.link, c.sets};
    const std::vector<PdObjectFacts>* found = advertisedSourceObjects(partner);
    if (!c.expected) {
      EXPECT_TRUE(!found || found->empty()) << c.name;
    } else {
      ASSERT_NE(found, nullptr) << c.name;
      EXPECT_EQ(*found, *c.expected) << c.name;
    }
  }
}

TEST(SysfsRules, AChargerAdvertisedToASinkPortIsExternalPowerWithOrWithoutSupplies) {
  struct Port {
    std::int64_t index;
    const char* role;
    std::vector<PdObjectFacts> objects;  // advertised by its partner
  };
  struct Case {
    const char* name;
    std::vector<Port> ports;
    std::vector<PowerSupplyFacts> supplies;
    ChargerReading reading;
    std::optional<std::size_t> charger;  // which connector
  };
  const auto brick60 = std::vector<PdObjectFacts>{fixed(1, "5000mV", "3000mA"), fixed(2, "20000mV", "3000mA")};
  const auto brick15 = std::vector<PdObjectFacts>{fixed(1, "5000mV", "3000mA")};
  const auto zeroFilled = std::vector<PdObjectFacts>{fixed(1, "0mV", "0mA")};
  const Case cases[] = {
      {"no supply at all: the objects give the watts", {{0, "source [sink]", brick60}}, {}, {true, true, 60}, 0},
      {"mains online too", {{0, "source [sink]", brick60}}, {supply("AC", "Mains", "1")}, {true, true, 60}, 0},
      {"a supply without online", {{0, "source [sink]", brick60}}, {supply("ucsi", "USB", std::nullopt)},
       {true, true, 60}, 0},
      {"objects first, then the counted supply",
       {{0, "source [sink]", brick15}}, {supply("ucsi", "USB", "1", "20000000", "3250000")}, {true, true, 15}, 0},
      {"only impossible objects: the counted supply",
       {{0, "source [sink]", zeroFilled}}, {supply("ucsi", "USB", "1", "20000000", "3250000")}, {true, true, 65}, 0},
      {"only impossible objects, no supply: external, no watts",
       {{0, "source [sink]", zeroFilled}}, {}, {true, true, std::nullopt}, 0},
      {"the port sources: no charger, no entry", {{0, "[source] sink", brick60}}, {}, {}, std::nullopt},
      {"an empty source list is no charger", {{0, "source [sink]", {}}}, {}, {}, std::nullopt},
      {"two sink ports: the highest object wins",
       {{0, "source [sink]", brick15}, {1, "source [sink]", brick60}}, {}, {true, true, 60}, 1},
      {"a tie: the lowest port number", {{3, "source [sink]", brick60}, {1, "source [sink]", brick60}}, {},
       {true, true, 60}, 1},
      {"a plausible object beats a lower port number without one",
       {{0, "source [sink]", zeroFilled}, {2, "source [sink]", brick15}}, {}, {true, true, 15}, 1},
  };
  for (const Case& c : cases) {
    SysfsFacts facts;
    for (const Port& port : c.ports) {
      facts.connectors.push_back(connector(port.index, port.role, true));
      facts.connectors.back().partner = advertising(port.objects);
    }
    facts.powerSupplies = c.supplies;
    EXPECT_EQ(chargerReading(facts), c.reading) << c.name;
    const auto charger = advertisedCharger(facts);
    EXPECT_EQ(charger ? std::optional(charger->connector) : std::nullopt, c.charger) << c.name;
  }
}

TEST(SysfsRules, ChargerWattsFromPowerSupplies) {
  auto usb = [](const char* online, const char* microvolts, const char* microamperes) {
    return supply("ucsi", "USB", online, microvolts, microamperes);
  };
  // A UCSI supply whose contract reads 5 V x 3 A while its maximum is 65 W.
  const PowerSupplyFacts ucsi65 = usb("1", "20000000", "3250000");
  PowerSupplyFacts presentOnly = supply("ucsi", "USB", "1");
  struct Case {
    const char* name;
    std::vector<PowerSupplyFacts> supplies;
    std::optional<std::int64_t> watts;
  };
  const Case cases[] = {
      {"UCSI supply only: its maximum, never the contract", {ucsi65}, 65},
      {"programmable supply online", {usb("2", "9000000", "2000000")}, 18},
      {"USB supply offline", {usb("0", "20000000", "3000000")}, std::nullopt},
      {"mains only: connected, no watts", {supply("AC", "Mains", "1")}, std::nullopt},
      {"present values only", {presentOnly}, std::nullopt},
      {"battery only", {supply("BAT0", "Battery", "1")}, std::nullopt},
      {"two USB supplies: the larger", {ucsi65, usb("1", "5000000", "3000000")}, 65},
  };
  for (const Case& c : cases) {
    // A charging connector without advertised capabilities.
    SysfsFacts facts;
    facts.connectors.push_back(connector(0, "source [sink]", true));
    facts.powerSupplies = c.supplies;
    EXPECT_EQ(chargerReading(facts).watts, c.watts) << c.name;
  }
}

TEST(SysfsRules, UsbChargerKindsCountWhateverTheirName) {
  struct Case {
    const char* name;
    const char* type;
    const char* online;
    bool external;
  };
  const Case cases[] = {
      {"CROS_USBPD_CHARGER0", "USB", "1", true},
      {"CROS_USB_PD_CHARGER0", "USB_PD", "1", true},
      {"CROS_USB_PD_CHARGER1", "USB_C", "1", true},
      {"CROS_USB_PD_CHARGER2", "USB_PD_DRP", "2", true},
      {"CROS_USB_PD_CHARGER0", "USB_PD", "0", false},
      {"any-name", "USB_PD", "1", true},
      {"CROS_USBPD_CHARGER0", "usb_pd", "1", false},
      {"wireless", "Wireless", "1", false},
      {"BAT0", "Battery", "1", false},
  };
  for (const Case& c : cases) {
    SysfsFacts facts;
    facts.connectors.push_back(connector(0, "source [sink]", true));
    facts.powerSupplies.push_back(supply(c.name, c.type, c.online, "20000000", "2250000"));
    const std::string row = std::string(c.name) + " " + c.type + " online " + c.online;
    const ChargerReading reading = chargerReading(facts);
    EXPECT_TRUE(reading.batteryEntry) << row;
    EXPECT_EQ(reading.external, c.external) << row;
    EXPECT_EQ(reading.watts, c.external ? std::optional<std::int64_t>(45) : std::nullopt) << row;
  }
}

TEST(SysfsRules, UsbSupplyCountsOnlyWhileATypecPortTakesPower) {
  enum class Partner { none, onSink, onSource, noTypecClass };
  struct Case {
    const char* name;
    Partner partner;
    const char* usbOnline;    // nullptr: no USB supply
    const char* mainsOnline;  // nullptr: no Mains supply
    bool external;
    std::optional<std::int64_t> watts;
  };
  const Case cases[] = {
      {"stale USB supply, no partner", Partner::none, "1", "0", false, std::nullopt},
      {"stale USB supply, partner on a sink port", Partner::onSink, "1", "0", true, 60},
      {"USB supply, the port powers a phone", Partner::onSource, "1", nullptr, false, std::nullopt},
      {"Mains online without any partner", Partner::none, nullptr, "1", true, std::nullopt},
      {"Mains and USB online, sink partner", Partner::onSink, "1", "1", true, 60},
      {"Mains and USB online, no partner: no USB rating", Partner::none, "1", "1", true, std::nullopt},
      {"no Type-C ports: nothing contradicts the supply", Partner::noTypecClass, "1", nullptr, true, 60},
  };
  for (const Case& c : cases) {
    SysfsFacts facts;
    if (c.partner != Partner::noTypecClass) {
      facts.connectors.push_back(connector(0, c.partner == Partner::onSource ? "[source] sink" : "source [sink]",
                                           c.partner != Partner::none));
    }
    if (c.usbOnline) {
      facts.powerSupplies.push_back(
          supply("tps6598x-source-psy-0-0038", "USB", c.usbOnline, "20000000", "3000000"));
    }
    if (c.mainsOnline) facts.powerSupplies.push_back(supply("macsmc-ac", "Mains", c.mainsOnline));
    facts.powerSupplies.push_back(supply("macsmc-battery", "Battery", std::nullopt));
    const ChargerReading reading = chargerReading(facts);
    EXPECT_EQ(reading.external, c.external) << c.name;
    EXPECT_EQ(reading.watts, c.watts) << c.name;
  }
}

TEST(SysfsRules, OnlineAndRatingsMustBeWholeNumbers) {
  struct Case {
    const char* name;
    PowerSupplyFacts supply;
    SupplyReading reading;
  };
  const Case cases[] = {
      {"online 1 with a rating", supply("u", "USB", "1", "20000000", "3000000"), {true, 60000}},
      {"online with a sign", supply("u", "USB", "+1", "20000000", "3000000"), {}},
      {"online unreadable", supply("u", "USB", std::nullopt, "20000000", "3000000"), {}},
      {"no type at all", PowerSupplyFacts{"u", std::nullopt, {}, "1", {}, {}, {}, {}, {}, {}, {}}, {}},
      {"mains has no rating of its own", supply("AC", "Mains", "1", "20000000", "3000000"), {true, std::nullopt}},
      {"a rating with a unit is no rating", supply("u", "USB", "1", "20000000uV", "3000000"), {true, std::nullopt}},
  };
  for (const Case& c : cases) EXPECT_EQ(supplyReading(c.supply, true), c.reading) << c.name;
}

// A connector portN linked to host USB4 port M of domain D, as the kernel
// writes the link.
ConnectorFacts withUsb4Port(ConnectorFacts c, int domain, int adapter, SysfsText link) {
  const std::string d = std::to_string(domain);
  c.usb4Ports.push_back(Usb4PortLinkFacts{
      adapter, "../../../../0000:00:0d.2/domain" + d + "/" + d + "-0/usb4_port" + std::to_string(adapter),
      std::move(link)});
  return c;
}

RouterFacts router(const char* name, SysfsText rxSpeed = std::nullopt, SysfsText rxLanes = std::nullopt,
                   SysfsText txSpeed = std::nullopt, SysfsText txLanes = std::nullopt) {
  RouterFacts r;
  r.name = *routerName(name);
  r.rxSpeed = std::move(rxSpeed);
  r.rxLanes = std::move(rxLanes);
  r.txSpeed = std::move(txSpeed);
  r.txLanes = std::move(txLanes);
  return r;
}

TEST(SysfsRules, ThunderboltLinkModesDecideTheCioLink) {
  struct Case {
    const char* name;
    SysfsText linkMode;  // none: no link attribute
    bool router;
    bool partnerMode;  // the partner's Thunderbolt mode entered
    CioLink cio;
  };
  const Case cases[] = {
      {"usb4 link", "usb4", true, false, {true, 40000}},
      {"tbt link", "tbt", true, false, {true, 40000}},
      {"no link", "none", false, false, {false, std::nullopt}},
      {"link none, router present", "none", true, false, {false, std::nullopt}},
      {"old kernel, router present", std::nullopt, true, false, {true, 40000}},
      {"old kernel, nothing", std::nullopt, false, false, {false, std::nullopt}},
      {"entered mode only", std::nullopt, false, true, {true, std::nullopt}},
  };
  for (const Case& c : cases) {
    SysfsFacts facts;
    facts.connectors.push_back(withUsb4Port(connector(2, "[source] sink", true), 1, 3, c.linkMode));
    if (c.router) facts.routers.push_back(router("1-3", "20.0 Gb/s", "2"));
    if (c.partnerMode) facts.connectors[0].partner->altModes.push_back(mode("8087", "yes"));
    EXPECT_EQ(cioLink(facts, 0), c.cio) << c.name;
  }
}

TEST(SysfsRules, RoutersAndUsb4PortsMeetByDomainAndAdapter) {
  SysfsFacts facts;
  facts.connectors.push_back(withUsb4Port(connector(0, "[source] sink", true), 0, 1, "tbt"));
  facts.connectors.push_back(withUsb4Port(connector(1, "[source] sink", true), 0, 3, "tbt"));
  // A link into something other than a host router's port does not count.
  facts.connectors.push_back(connector(2, "[source] sink", true));
  facts.connectors[2].usb4Ports.push_back(Usb4PortLinkFacts{5, "../../0-1/usb4_port5", "tbt"});
  facts.routers = {router("0-0"), router("0-3", "10.0 Gb/s", "1"), router("0-301", "40.0 Gb/s", "2"),
                   router("1-1", "40.0 Gb/s", "2")};
  EXPECT_EQ(connectorOnUsb4Port(facts, 0, 1), 0u);
  EXPECT_EQ(connectorOnUsb4Port(facts, 0, 3), 1u);
  EXPECT_EQ(connectorOnUsb4Port(facts, 1, 1), std::nullopt) << "another domain";
  EXPECT_EQ(connectorOnUsb4Port(facts, 0, 5), std::nullopt);
  // Port 1 links tbt but no depth-1 router of its domain and route: no speed.
  EXPECT_EQ(cioLink(facts, 0), (CioLink{true, std::nullopt}));
  // The depth-2 router behind 0-3 does not make port 2 faster.
  EXPECT_EQ(cioLink(facts, 1), (CioLink{true, 10000}));
  // Its link reads tbt, but leads nowhere known: no CIO link.
  EXPECT_EQ(cioLink(facts, 2), CioLink{});
}

TEST(SysfsRules, RouterLinkSpeedIsLaneSpeedTimesLanesInTheFasterDirection) {
  struct Case {
    const char* name;
    RouterFacts router;
    std::optional<double> megabits;
  };
  const Case cases[] = {
      {"two lanes of 20", router("0-1", "20.0 Gb/s", "2", "20.0 Gb/s", "2"), 40000},
      {"asymmetric: the faster direction", router("0-1", "40.0 Gb/s", "1", "40.0 Gb/s", "3"), 120000},
      {"no lane count: one lane", router("0-1", "10.0 Gb/s"), 10000},
      {"zero lanes count as one", router("0-1", "10.0 Gb/s", "0"), 10000},
      {"unreadable lanes count as one", router("0-1", "10.0 Gb/s", "two"), 10000},
      {"tx only", router("0-1", std::nullopt, std::nullopt, "20.0 Gb/s", "1"), 20000},
      {"no speed", router("0-1", "fast", "2"), std::nullopt},
      {"an overflowing product has no rate", router("0-1", "1" + std::string(306, '0') + ".0 Gb/s", "9"),
       std::nullopt},
  };
  for (const Case& c : cases) EXPECT_EQ(routerMegabits(c.router), c.megabits) << c.name;
}

UsbDeviceFacts device(const char* name, SysfsText speed, SysfsText maxPower = std::nullopt) {
  UsbDeviceFacts d;
  d.name = *usbDeviceName(name);
  d.speed = std::move(speed);
  d.maxPower = std::move(maxPower);
  return d;
}

TEST(SysfsRules, AUsbDeviceIsOnTheConnectorThatLinksItsPortOrItself) {
  SysfsFacts facts;
  facts.connectors.push_back(connector(0, "[source] sink", true));
  facts.connectors[0].usbPorts = {*usbPortName("usb3-port2"), *usbPortName("usb4-port2")};
  facts.connectors.push_back(connector(1, "[source] sink", true));
  facts.connectors[1].partner->usbDevices = {*usbDeviceName("2-1"), *usbDeviceName("4-2")};
  struct Case {
    const char* device;
    std::optional<std::size_t> connector;
  };
  const Case cases[] = {
      {"4-2", 0},             // by its port; the port link wins over the partner's
      {"3-2", 0},             // the other speed half of the same socket
      {"2-1", 1},             // no port link: the partner links to the device itself
      {"2-1.3", std::nullopt},  // behind a hub: found through the hub in the registry
      {"usb3", std::nullopt},   // a root hub sits on no port
      {"1-7", std::nullopt},    // an internal camera: never guessed onto a port
  };
  for (const Case& c : cases) {
    EXPECT_EQ(connectorOfUsbDevice(facts, *usbDeviceName(c.device)), c.connector) << c.device;
  }

  facts.usbDevices = {device("4-2", "5000"), device("3-2", "480"), device("2-1", "10000"),
                      device("2-1.3", "20000"), device("1-7", "480"), device("usb4", "10000"),
                      device("2-1", "unknown")};
  const std::vector<UsbLanes> lanes = usbLanes(facts);
  EXPECT_EQ(lanes, (std::vector<UsbLanes>{{480, 5000}, {std::nullopt, 10000}}));
}

TEST(SysfsRules, BusCurrentIsTheMaxPowerInMilliamperes) {
  struct Case {
    SysfsText maxPower;
    std::optional<std::int64_t> milliamperes;
  };
  const Case cases[] = {{"500mA", 500}, {"896mA", 896}, {"0mA", 0}, {"2", 2},
                        {"", std::nullopt}, {"5 mA", std::nullopt}, {std::nullopt, std::nullopt}};
  for (const Case& c : cases) {
    EXPECT_EQ(busCurrentMilliamps(device("1-1", "480", c.maxPower)), c.milliamperes)
        << c.maxPower.value_or("(none)");
  }
}

}  // namespace
}  // namespace plugscope::sysfs
