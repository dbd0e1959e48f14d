// The registry written from facts, read back by the scanner: the entries,
// their classes and keys, and the snapshot they give.
#include <gtest/gtest.h>

#include "scanner/port_scan.h"
#include "scanner/property_reads.h"
#include "scanner/registry_names.h"
#include "sysfs_rules/registry_from_facts.h"

namespace plugscope {
namespace {

namespace names = registry_names;

// A laptop: port 1 charges from a 65 W brick through an active optical
// cable and has a Thunderbolt dock behind it; port 2 has a USB 2 hub with
// a keyboard and shows a display; port 3 is empty.
SysfsFacts laptop() {
  SysfsFacts facts;
  ConnectorFacts charging;
  charging.index = 0;
  charging.powerRole = "source [sink]";
  charging.partner = PartnerFacts{};
  charging.partner->powerDelivery.link = "pd0";
  charging.partner->powerDelivery.sets.push_back(PowerDeliveryFacts{
      "pd0", "3.0",
      std::vector<PdObjectFacts>{{"1:fixed_supply", {{"voltage", "5000mV"}, {"maximum_current", "3000mA"}}},
                                 {"2:fixed_supply", {{"voltage", "20000mV"}, {"maximum_current", "3250mA"}}}},
      std::nullopt});
  charging.cable = CableFacts{"active", "type-c", "3.0", {"0x20000000", {}, {}, "0x00000400", {}}, {}};
  charging.usb4Ports.push_back({1, "../../../../0000:00:0d.2/domain0/0-0/usb4_port1", "tbt"});
  ConnectorFacts display;
  display.index = 1;
  display.powerRole = "[source] sink";
  display.partner = PartnerFacts{};
  display.partner->altModes.push_back(AltModeFacts{"port1-partner.0", "ff01", "0x00001c46", "yes", {}});
  display.usbPorts.push_back(*sysfs::usbPortName("usb1-port2"));
  ConnectorFacts empty;
  empty.index = 2;
  empty.powerRole = "[source] sink";
  facts.connectors = {charging, display, empty};

  auto device = [](const char* name, SysfsText product, SysfsText speed, SysfsText maxPower) {
    UsbDeviceFacts d;
    d.name = *sysfs::usbDeviceName(name);
    d.product = std::move(product);
    d.speed = std::move(speed);
    d.maxPower = std::move(maxPower);
    return d;
  };
  // Listing order: bytewise, so the hub tree comes out of order.
  facts.usbDevices = {device("1-2", "USB2.0 Hub", "480", "100mA"),
                      device("1-2.1", "Keyboard", "12", "98mA"),
                      device("1-7", "Integrated Camera", "480", "500mA"),
                      device("usb1", "xHCI Host Controller", "480", "0mA")};
  RouterFacts host{*sysfs::routerName("0-0"), "Host Router", {}, "4", {}, {}, {}, {}};
  RouterFacts dock{*sysfs::routerName("0-1"), "Dock Pro", {}, "4", "20.0 Gb/s", "2", "20.0 Gb/s", "2"};
  RouterFacts behind{*sysfs::routerName("0-301"), "Display Hub", {}, "4", {}, {}, {}, {}};
  facts.routers = {behind, host, dock};
  facts.powerSupplies.push_back(PowerSupplyFacts{"AC", "Mains", {}, "1", {}, {}, {}, {}, {}, {}, {}});
  return facts;
}

TEST(RegistryFromFacts, ALaptopScansToItsPorts) {
  const MemoryRegistry registry = registryFromFacts(laptop());
  const Snapshot snapshot = scanPorts(registry, PointInTime{0});

  PortStatus charging;
  charging.id = "Port-USB-C@1";
  charging.number = 1;
  charging.connected = true;
  charging.protocols = {"Thunderbolt"};
  charging.speed = "40 Gb/s";
  charging.device = "Dock Pro";
  charging.smartCable = charging.activeCable = charging.opticalCable = true;
  charging.powerIn = true;
  PortStatus display;
  display.id = "Port-USB-C@2";
  display.number = 2;
  display.connected = true;
  display.protocols = {"USB 2", "DisplayPort"};
  display.speed = "480 Mb/s";
  display.device = "Keyboard";  // the hub is left out by its name
  display.usbPowerWatts = 98 * 5.0 / 1000.0;
  PortStatus empty;
  empty.id = "Port-USB-C@3";
  empty.number = 3;
  EXPECT_EQ(snapshot.ports, (std::vector<PortStatus>{charging, display, empty}));
  EXPECT_EQ(snapshot.chargerWatts, 65);
}

TEST(RegistryFromFacts, EntriesCarryTheRegistrysClassesAndTree) {
  const MemoryRegistry registry = registryFromFacts(laptop());
  const auto ports = registry.matching(names::kIOPort);
  ASSERT_EQ(ports.size(), 3u);
  // CC with the cable's identity below it, then the four data transports.
  const auto transports = registry.children(ports[0]);
  std::vector<std::string> types;
  for (EntryRef t : transports) {
    types.push_back(*readString(registry.readProperties(t), names::kTransportTypeDescription));
  }
  EXPECT_EQ(types, (std::vector<std::string>{"CC", "USB2", "USB3", "CIO", "DisplayPort"}));
  EXPECT_EQ(registry.children(transports[0]).size(), 1u);
  EXPECT_EQ(readString(registry.readProperties(transports[3]), names::kDataRateDescription), "40 Gb/s");
  // An empty port's CC is inactive and its rates absent.
  for (EntryRef t : registry.children(ports[2])) {
    const PropertyMap p = registry.readProperties(t);
    EXPECT_EQ(readBoolean(p, names::kActive), false);
    EXPECT_EQ(p.find(names::kDataRateDescription), nullptr);
  }

  // USB: controller, port 2 -> hub, its port 1 -> keyboard; the camera on
  // port 7 names no connector.
  const auto devices = registry.matching(names::kIOUSBHostDevice);
  ASSERT_EQ(devices.size(), 3u);
  const auto hubPort = registry.parent(devices[0]);
  ASSERT_TRUE(hubPort);
  EXPECT_EQ(readString(registry.readProperties(*hubPort), names::kUsbIOPort),
            "IOService:/AppleTCControllerType10/Port-USB-C@2");
  EXPECT_EQ(registry.parent(*registry.parent(devices[1])), devices[0]);
  EXPECT_EQ(readString(registry.readProperties(*registry.parent(devices[2])), names::kUsbIOPort),
            std::nullopt);
  EXPECT_EQ(readInteger(registry.readProperties(devices[2]), names::kUsbBusCurrentAllocation), 500);

  // Routers by domain, depth, route: 0-301 hangs below 0-1, which carries port 1's socket.
  const auto routers = registry.matching(names::kIOThunderboltSwitch);
  ASSERT_EQ(routers.size(), 3u);
  EXPECT_EQ(registry.parent(routers[0]), std::nullopt);  // the host router 0-0
  EXPECT_EQ(registry.parent(routers[1]), routers[0]);
  EXPECT_EQ(registry.parent(routers[2]), routers[1]);
  EXPECT_EQ(registry.readProperty(routers[1], names::kSocketId), RegistryValue(1));
  EXPECT_EQ(registry.readProperty(routers[2], names::kSocketId), std::nullopt);

  const auto batteries = registry.matching(names::kAppleSmartBattery);
  ASSERT_EQ(batteries.size(), 1u);
  EXPECT_EQ(readBoolean(registry.readProperties(batteries[0]), names::kExternalConnected), true);
}

TEST(RegistryFromFacts, NoFactsNoEntries) {
  EXPECT_EQ(registryFromFacts(SysfsFacts{}).size(), 0u);
}

}  // namespace
}  // namespace plugscope
