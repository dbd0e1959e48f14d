// The layouts real laptops show: each bundled tree gives the facts it
// models, and each rule's boundaries are pinned on small generated trees.
#include <gtest/gtest.h>

#include "platform/linux/sysfs_registry.h"
#include "scanner/port_scan.h"
#include "scanner/property_reads.h"
#include "sysfs_fake_tree.h"
#include "test_support.h"

namespace plugscope {
namespace {

using Values = std::map<std::string, std::string>;

PortStatus port(std::int64_t number, bool connected) {
  PortStatus p;
  p.id = "Port-USB-C@" + std::to_string(number);
  p.number = number;
  p.connected = connected;
  return p;
}

PortStatus cablePort(std::int64_t number, bool smart, bool active, bool optical) {
  PortStatus p = port(number, true);
  p.smartCable = smart;
  p.activeCable = active;
  p.opticalCable = optical;
  return p;
}

Snapshot scanTree(const std::string& root) {
  return scanPorts(*SysfsRegistrySource(root).current(), PointInTime{0});
}

// The battery entry's "ExternalConnected", or none without a battery entry.
std::optional<bool> externalPower(const std::string& root) {
  const MemoryRegistry registry = buildSysfsRegistry(SysfsTree(root));
  const auto batteries = registry.matching("AppleSmartBattery");
  if (batteries.empty()) return std::nullopt;
  return readBoolean(registry.readProperties(batteries.front()), "ExternalConnected");
}

TEST(SysfsLayouts, BundledTreesGiveTheFactsTheyModel) {
  PortStatus sinking = port(1, true);
  sinking.powerIn = true;
  PortStatus flashDrive = port(1, true);
  flashDrive.protocols = {"USB 3"};
  flashDrive.speed = "5 Gb/s";
  flashDrive.device = "USB 3.0 Flash Drive";
  flashDrive.usbPowerWatts = 896 * 5.0 / 1000.0;
  PortStatus display = port(1, true);
  display.protocols = {"DisplayPort"};
  struct Case {
    const char* tree;
    std::vector<PortStatus> ports;
    std::optional<std::int64_t> watts;
    std::optional<bool> external;
  };
  const Case cases[] = {
      // Active optical, passive, no e-marker, and no cable device at all.
      {"cable-kind-from-identity",
       {cablePort(1, true, true, true), cablePort(2, true, false, false),
        cablePort(3, false, false, false), cablePort(4, false, false, false)},
       std::nullopt, std::nullopt},
      // 20 V x 3.25 A from the partner's pd3 child beats the supply's 63 W.
      {"pd-objects-partner-child", {sinking, port(2, false)}, 65, true},
      // Zero-filled objects and the 231 W supply rating are dropped.
      {"ucsi-impossible-ratings", {sinking, port(2, false)}, 60, true},
      // A USB_PD-typed EC charger is external power; no maximum voltage.
      {"chromebook-ec-chargers", {}, std::nullopt, true},
      // Matched through the partner's link; no guess for the other port.
      {"no-connector-links", {flashDrive, port(2, true)}, std::nullopt, std::nullopt},
      {"partner-several-modes", {display, port(2, true)}, std::nullopt, std::nullopt},
  };
  for (const Case& c : cases) {
    const std::string root = test::fixturePath(std::string("sysfs/") + c.tree);
    const Snapshot snapshot = scanTree(root);
    EXPECT_EQ(snapshot.ports, c.ports) << c.tree;
    EXPECT_EQ(snapshot.chargerWatts, c.watts) << c.tree;
    EXPECT_EQ(externalPower(root), c.external) << c.tree;
  }
}

// A connector sinking from a charger, with the machine's mains online, so
// that the charger's objects alone decide the watts.
struct ChargingTree {
  ChargingTree() {
    partner = tree.partner(tree.typecPort(0, "source [sink]"), "power_brick");
    tree.powerSupply("AC", {{"type", "Mains"}, {"online", "1"}});
  }
  test::FakeSysfs tree;
  std::string partner;
};

Values fixed(const char* millivolts, const char* milliamperes) {
  return {{"voltage", millivolts}, {"maximum_current", milliamperes}};
}

TEST(SysfsPowerDelivery, EachObjectsPowerWhereverTheKernelPutsIt) {
  enum class Place { link, child, linkAndChild };
  struct Case {
    const char* name;
    Place place;
    std::map<std::string, Values> objects;
    std::optional<std::int64_t> watts;
  };
  const Case cases[] = {
      {"fixed: voltage x maximum current", Place::link,
       {{"1:fixed_supply", fixed("5000mV", "3000mA")}, {"2:fixed_supply", fixed("15000mV", "3000mA")}}, 45},
      {"variable: maximum voltage x maximum current", Place::link,
       {{"1:variable_supply",
         {{"minimum_voltage", "4750mV"}, {"maximum_voltage", "21000mV"}, {"maximum_current", "2000mA"}}}},
       42},
      {"programmable", Place::child,
       {{"4:programmable_supply",
         {{"minimum_voltage", "3300mV"}, {"maximum_voltage", "11000mV"}, {"maximum_current", "5000mA"}}}},
       55},
      {"battery: maximum power", Place::link,
       {{"3:battery", {{"maximum_voltage", "20000mV"}, {"minimum_voltage", "9000mV"}, {"maximum_power", "60000mW"}}}},
       60},
      {"adjustable voltage: 20 V x its 15-20 V current", Place::child,
       {{"5:spr_adjustable_voltage_supply",
         {{"maximum_current_9V_to_15V", "4000mA"}, {"maximum_current_15V_to_20V", "3350mA"}, {"peak_current", "0"}}}},
       67},
      {"unknown kind is no rating", Place::link,
       {{"1:fixed_supply", fixed("5000mV", "3000mA")}, {"2:mystery_supply", fixed("20000mV", "5000mA")}}, 15},
      {"the link wins over a child", Place::linkAndChild,
       {{"1:fixed_supply", fixed("9000mV", "2000mA")}}, 18},
  };
  for (const Case& c : cases) {
    ChargingTree t;
    // The child holds twice the link's current, so the place read shows.
    for (const auto& [pdo, values] : c.objects) {
      if (c.place != Place::child) t.tree.sourceCapability(t.partner, pdo, values);
      if (c.place == Place::link) continue;
      Values doubled = values;
      if (c.place == Place::linkAndChild) doubled["maximum_current"] = "4000mA";
      t.tree.attributes(t.partner + "/pd7/source-capabilities/" + pdo, doubled);
    }
    EXPECT_EQ(scanTree(t.tree.root()).chargerWatts, c.watts) << c.name;
  }
}

TEST(SysfsPowerDelivery, ImpossibleRatingsAreDroppedAndTheNextSourceIsUsed) {
  struct Case {
    const char* name;
    std::map<std::string, Values> objects;
    std::optional<std::pair<const char*, const char*>> supply;  // voltage_max, current_max (micro)
    std::optional<std::int64_t> watts;
  };
  const auto ucsi231 = std::make_pair("39000000", "5930000");
  const Case cases[] = {
      {"48 V x 5 A, 240 W, is the limit", {{"1:fixed_supply", fixed("48000mV", "5000mA")}}, std::nullopt, 240},
      {"a bad object is skipped among the others",
       {{"1:fixed_supply", fixed("20000mV", "3000mA")}, {"2:fixed_supply", fixed("48001mV", "3000mA")},
        {"3:fixed_supply", fixed("20000mV", "5001mA")}, {"4:fixed_supply", fixed("0mV", "0mA")},
        {"5:battery", {{"maximum_power", "241000mW"}}}},
       std::nullopt, 60},
      {"no plausible object: the supply's rating",
       {{"1:fixed_supply", fixed("0mV", "3000mA")}, {"2:fixed_supply", fixed("20000mV", "0mA")}},
       std::make_pair("20000000", "2250000"), 45},
      {"a 231 W supply rating is dropped", {}, ucsi231, std::nullopt},
      {"a plausible object beats a bad supply", {{"1:fixed_supply", fixed("20000mV", "3000mA")}}, ucsi231, 60},
      {"a zero supply rating is dropped", {}, std::make_pair("0", "3000000"), std::nullopt},
      {"a supply over 5 A", {}, std::make_pair("20000000", "5001000"), std::nullopt},
      {"a supply at the limit", {}, std::make_pair("48000000", "5000000"), 240},
      {"a battery object over 48 V", {{"1:battery", {{"maximum_voltage", "50000mV"}, {"maximum_power", "60000mW"}}}},
       std::nullopt, std::nullopt},
  };
  for (const Case& c : cases) {
    ChargingTree t;
    for (const auto& [pdo, values] : c.objects) t.tree.sourceCapability(t.partner, pdo, values);
    if (c.supply) {
      t.tree.powerSupply("ucsi-source-psy-USBC000:001", {{"type", "USB"}, {"online", "1"},
                                                         {"voltage_max", c.supply->first},
                                                         {"current_max", c.supply->second}});
    }
    EXPECT_EQ(scanTree(t.tree.root()).chargerWatts, c.watts) << c.name;
  }
}

TEST(SysfsPowerSupplies, UsbChargerKindsCountWhateverTheirName) {
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
    ChargingTree t;
    std::filesystem::remove(t.tree.at("class/power_supply/AC"));
    t.tree.sourceCapability(t.partner, "1:fixed_supply", fixed("20000mV", "2250mA"));
    t.tree.powerSupply(c.name, {{"type", c.type}, {"online", c.online}});
    const std::string row = std::string(c.name) + " " + c.type + " online " + c.online;
    EXPECT_EQ(externalPower(t.tree.root()), c.external) << row;
    EXPECT_EQ(scanTree(t.tree.root()).chargerWatts,
              c.external ? std::optional<std::int64_t>(45) : std::nullopt)
        << row;
  }
}

TEST(SysfsPowerSupplies, UsbSupplyCountsOnlyWhileATypecPortTakesPower) {
  enum class Partner { none, onSink, onSource, noTypecClass };
  struct Case {
    const char* name;
    Partner partner;
    const char* usbOnline;    // nullptr: no USB supply
    const char* mainsOnline;  // nullptr: no Mains supply
    std::optional<bool> external;
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
    test::FakeSysfs t;
    if (c.partner != Partner::noTypecClass) {
      const std::string p = t.typecPort(0, c.partner == Partner::onSource ? "[source] sink" : "source [sink]");
      if (c.partner != Partner::none) t.partner(p, "power_brick");
    }
    if (c.usbOnline) {
      t.powerSupply("tps6598x-source-psy-0-0038", {{"type", "USB"}, {"online", c.usbOnline},
                                                    {"voltage_max", "20000000"}, {"current_max", "3000000"}});
    }
    if (c.mainsOnline) t.powerSupply("macsmc-ac", {{"type", "Mains"}, {"online", c.mainsOnline}});
    t.powerSupply("macsmc-battery", {{"type", "Battery"}, {"status", "Discharging"}});
    EXPECT_EQ(externalPower(t.root()), c.external) << c.name;
    EXPECT_EQ(scanTree(t.root()).chargerWatts, c.watts) << c.name;
  }
  // The bundled trees of the reported machine, without and with the partner.
  EXPECT_EQ(scanTree(test::fixturePath("sysfs/stale-usb-supply")).chargerWatts, std::nullopt);
  EXPECT_EQ(externalPower(test::fixturePath("sysfs/stale-usb-supply")), false);
  EXPECT_EQ(scanTree(test::fixturePath("sysfs/stale-usb-supply-sink-partner")).chargerWatts, 60);
}

TEST(SysfsAlternateModes, AModeCountsWhenAnyOfItsEntriesIsEntered) {
  struct Mode {
    const char* svid;
    const char* active;       // nullptr: no top-level attribute
    const char* groupActive;  // the modeK/ group's; nullptr: no group
  };
  struct Case {
    const char* name;
    std::vector<Mode> modes;
    std::vector<std::string> protocols;
  };
  const Case cases[] = {
      {"second of two DisplayPort modes", {{"ff01", "no", "no"}, {"ff01", "yes", "yes"}}, {"DisplayPort"}},
      {"first of two", {{"ff01", "yes", "yes"}, {"ff01", "no", "no"}}, {"DisplayPort"}},
      {"none entered", {{"ff01", "no", "no"}, {"ff01", "no", "no"}}, {}},
      {"only the group tells", {{"ff01", nullptr, "yes"}}, {"DisplayPort"}},
      {"neither tells", {{"ff01", nullptr, nullptr}}, {}},
      {"Thunderbolt beside DisplayPort", {{"8087", "no", "no"}, {"8087", "yes", nullptr}, {"ff01", "no", "no"}},
       {"Thunderbolt"}},
      {"a vendor mode entered", {{"05ac", "yes", "yes"}}, {}},
  };
  for (const Case& c : cases) {
    test::FakeSysfs t;
    const std::string partner = t.partner(t.typecPort(0, "[source] sink"), "hub");
    for (std::size_t i = 0; i < c.modes.size(); ++i) {
      const std::string dir = partner + "/port0-partner." + std::to_string(i);
      t.attributes(dir, {{"svid", c.modes[i].svid}, {"mode", std::to_string(i + 1)}});
      if (c.modes[i].active) t.file(dir + "/active", std::string(c.modes[i].active) + "\n");
      if (c.modes[i].groupActive) {
        t.file(dir + "/mode" + std::to_string(i + 1) + "/active", std::string(c.modes[i].groupActive) + "\n");
      }
    }
    const auto ports = scanTree(t.root()).ports;
    ASSERT_EQ(ports.size(), 1u) << c.name;
    EXPECT_EQ(ports[0].protocols, c.protocols) << c.name;
  }
}

}  // namespace
}  // namespace plugscope
