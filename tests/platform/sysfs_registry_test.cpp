// Whole trees, read and decided: each rule's own cases are tables over
// facts in tests/sysfs_rules.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include "platform/linux/registry/sysfs_registry.h"
#include "scanner/port_scan.h"
#include "scanner/property_reads.h"
#include "sysfs_fake_tree.h"
#include "test_support.h"

namespace plugscope {
namespace {

using test::port;

Snapshot scanTree(const std::string& root) {
  return scanPorts(*SysfsRegistrySource(root).current(), PointInTime{0});
}

class SysfsRegistryTest : public ::testing::Test {
 protected:
  Snapshot scan() { return scanTree(tree.root()); }
  test::FakeSysfs tree;
};

TEST(SysfsRecordings, ChromebookGivesTwoAttachedPortsWithPassiveEmarkedCables) {
  const Snapshot snapshot = scanTree(test::fixturePath("sysfs/chromebook"));
  // port0 sinks from an Apple host; port1 sources a peripheral. The cables'
  // identity headers are non-zero with product type passive. No USB device,
  // no entered mode and no power supply is in the recording; the host
  // advertises 5 V x 3 A to the sinking port0, so that is the charger.
  PortStatus first = port(1, true);
  first.smartCable = true;
  first.powerIn = true;
  PortStatus second = port(2, true);
  second.smartCable = true;
  EXPECT_EQ(snapshot.ports, (std::vector<PortStatus>{first, second}));
  EXPECT_EQ(snapshot.chargerWatts, 15);
}

TEST(SysfsRecordings, KeyboardBehindHubsWithoutTypecGivesDevicesButNoPorts) {
  const MemoryRegistry registry =
      buildSysfsRegistry(SysfsTree(test::fixturePath("sysfs/usb-keyboard-hubs")));
  EXPECT_TRUE(registry.matching("IOPort").empty());
  EXPECT_TRUE(registry.matching("AppleSmartBattery").empty());

  const auto devices = registry.matching("IOUSBHostDevice");
  ASSERT_EQ(devices.size(), 4u);  // 1-1, 1-1.5, 1-1.5.4, 1-1.5.4.2 in topology order
  const std::optional<std::int64_t> currents[] = {0, 2, 50, 64};
  for (std::size_t i = 0; i < devices.size(); ++i) {
    EXPECT_EQ(readInteger(registry.readProperties(devices[i]), "kUSBBusCurrentAllocation"),
              currents[i]);
  }
  EXPECT_EQ(readString(registry.readProperties(devices[2]), "USB Product Name"),
            "Kinesis Keyboard Hub");
  EXPECT_EQ(readString(registry.readProperties(devices[3]), "USB Product Name"), std::nullopt);
  // Keyboard -> its hub port -> the Kinesis hub: hubs stay in the tree.
  const auto hubPort = registry.parent(devices[3]);
  ASSERT_TRUE(hubPort);
  EXPECT_EQ(registry.parent(*hubPort), devices[2]);
  // Nothing links these ports to a connector, so no walk finds a port name.
  EXPECT_EQ(findUsbPortName(registry, devices[3]), std::nullopt);
  EXPECT_TRUE(scanPorts(registry, PointInTime{0}).ports.empty());
}

TEST_F(SysfsRegistryTest, UsbThreePhoneOnAPort) {
  const std::string p = tree.typecPort(0, "[source] sink");
  tree.partner(p, "peripheral");
  // The link names carry bus numbers: bus 3 is the High-Speed root hub,
  // bus 4 the SuperSpeed one, where a USB 3 phone enumerates.
  tree.usbPortLink(p, "usb3-port2");
  tree.usbPortLink(p, "usb4-port2");
  tree.usbDevice("usb3", "480", "xHCI Host Controller", "0mA");
  tree.usbDevice("usb4", "10000", "xHCI Host Controller", "0mA");
  tree.usbDevice("4-2", "5000", "Pixel 7", "896mA");
  tree.usbDevice("3-5", "480", "Integrated Camera", "500mA");  // not on the connector

  PortStatus expected = port(1, true);
  expected.protocols = {"USB 3"};
  expected.speed = "5 Gb/s";
  expected.device = "Pixel 7";
  expected.usbPowerWatts = 896 * 5.0 / 1000.0;
  EXPECT_EQ(scan().ports, std::vector<PortStatus>{expected});
}

TEST_F(SysfsRegistryTest, HubWithDevicesBehindItNamesTheBestDevice) {
  tree.typecPort(0, "[source] sink");
  const std::string p = tree.typecPort(1, "[source] sink");
  tree.partner(p, "hub");
  tree.usbPortLink(p, "usb1-port1");
  tree.usbDevice("usb1", "480", "xHCI Host Controller", "0mA");
  tree.usbDevice("1-1", "480", "USB2.0 Hub", "100mA");
  tree.usbDevice("1-1.1", "12", "Keyboard", "100mA");
  tree.usbDevice("1-1.3", "1.5", "Gaming Mouse", "98mA");
  tree.usbDevice("1-1.3.1", "12", "", "2mA");  // deeper and unnamed

  // The hub is left out by its name; of the two at the same depth the
  // longer name wins. The speed is the link of the hub on the connector.
  PortStatus expected = port(2, true);
  expected.protocols = {"USB 2"};
  expected.speed = "480 Mb/s";
  expected.device = "Gaming Mouse";
  expected.usbPowerWatts = 98 * 5.0 / 1000.0;
  EXPECT_EQ(scan().ports, (std::vector<PortStatus>{port(1, false), expected}));
}

TEST_F(SysfsRegistryTest, ThunderboltDockAtDepthOneNamesThePort) {
  const std::string p = tree.typecPort(0, "source [sink]");
  tree.partner(p, "power_brick");
  tree.usb4Port(p, 0, 1, "tbt");
  tree.router("0-0", {{"device_name", "Host Router"}});
  tree.router("0-1", {{"device_name", "Dock Pro"}, {"rx_speed", "20.0 Gb/s"}, {"rx_lanes", "2"},
                      {"tx_speed", "20.0 Gb/s"}, {"tx_lanes", "2"}});
  tree.router("0-301", {{"device_name", "Display Hub"}});  // depth 2, behind the dock
  tree.router("0-3", {{"device_name", "Other Dock"}});     // on a port no connector links
  // A USB device on the same connector keeps its bus power under the dock's name.
  tree.usbPortLink(p, "usb2-port1");
  tree.usbDevice("2-1", "480", "Dock Audio", "100mA");

  PortStatus expected = port(1, true);
  expected.protocols = {"Thunderbolt", "USB 2"};
  expected.speed = "40 Gb/s";
  expected.device = "Dock Pro";
  expected.usbPowerWatts = 0.5;
  expected.powerIn = true;
  EXPECT_EQ(scan().ports, std::vector<PortStatus>{expected});

  const MemoryRegistry registry = buildSysfsRegistry(SysfsTree(tree.root()));
  const auto switches = registry.matching("IOThunderboltSwitch");
  ASSERT_EQ(switches.size(), 4u);  // 0-0, 0-1, 0-301 behind 0-1, then 0-3
  EXPECT_EQ(registry.parent(switches[2]), switches[1]);
  EXPECT_EQ(registry.readProperty(switches[2], "Depth"), RegistryValue(2));
  EXPECT_EQ(registry.readProperty(switches[1], "Socket ID"), RegistryValue(1));
  EXPECT_EQ(registry.readProperty(switches[3], "Socket ID"), std::nullopt);
}

TEST_F(SysfsRegistryTest, DisplayPortOnlyWhenThePartnersModeIsEntered) {
  const std::string p = tree.typecPort(0, "[source] sink");
  const std::string partner = tree.partner(p, "peripheral");
  tree.altMode(partner, 0, "8087", "no");
  tree.altMode(partner, 1, "ff01", "yes", "0x00001c46");
  // The port's own modes read "yes" for "enabled"; they must not count.
  tree.altMode(p, 0, "8087", "yes");
  tree.altMode(p, 1, "ff01", "yes");
  const std::string other = tree.typecPort(1, "[source] sink");
  tree.altMode(tree.partner(other, "peripheral"), 0, "ff01", "no");
  tree.altMode(other, 0, "ff01", "yes");

  const auto ports = scan().ports;
  ASSERT_EQ(ports.size(), 2u);
  EXPECT_EQ(ports[0].protocols, std::vector<std::string>{"DisplayPort"});
  EXPECT_EQ(ports[0].speed, std::nullopt);
  EXPECT_TRUE(ports[1].protocols.empty());
}

TEST_F(SysfsRegistryTest, ChargerWithSourceCapabilitiesReportsItsRating) {
  const std::string p = tree.typecPort(0, "source [sink]");
  const std::string partner = tree.partner(p, "power_brick");
  auto fixed = [&](const char* pdo, const char* millivolts, const char* milliamperes) {
    tree.sourceCapability(partner, pdo, {{"voltage", millivolts}, {"maximum_current", milliamperes}});
  };
  fixed("1:fixed_supply", "5000mV", "3000mA");
  fixed("2:fixed_supply", "9000mV", "3000mA");
  fixed("3:fixed_supply", "20000mV", "5000mA");
  tree.sourceCapability(partner, "4:programmable_supply",
                        {{"maximum_voltage", "21000mV"}, {"minimum_voltage", "3300mV"},
                         {"maximum_current", "3000mA"}});
  tree.powerSupply("AC", {{"type", "Mains"}, {"online", "1"}});
  tree.powerSupply("BAT0", {{"type", "Battery"}, {"status", "Charging"}});
  // The supply's own reading is lower: the advertised rating wins.
  tree.powerSupply("ucsi-source-psy-USBC000:001",
                   {{"type", "USB"}, {"online", "1"}, {"voltage_max", "20000000"},
                    {"current_max", "3250000"}, {"voltage_now", "5000000"},
                    {"current_now", "3000000"}});

  const Snapshot snapshot = scan();
  EXPECT_EQ(snapshot.chargerWatts, 100);
  ASSERT_EQ(snapshot.ports.size(), 1u);
  EXPECT_TRUE(snapshot.ports[0].powerIn);
}

TEST_F(SysfsRegistryTest, NoTypecClassAtAll) {
  tree.usbDevice("usb1", "480", "xHCI Host Controller", "0mA");
  tree.usbDevice("1-1", "480", "Mouse", "100mA");
  tree.powerSupply("ucsi", {{"type", "USB"}, {"online", "1"}, {"voltage_max", "20000000"},
                            {"current_max", "3000000"}});
  const Snapshot snapshot = scan();
  EXPECT_TRUE(snapshot.ports.empty());
  EXPECT_EQ(snapshot.chargerWatts, 60);
}

TEST_F(SysfsRegistryTest, ConnectorsAreFoundInTheClassBeforeTheBus) {
  tree.typecPort(10, "[source] sink");
  tree.typecPort(2, "[source] sink");
  // Partners, cables and modes share the directory but are no connectors.
  tree.link("class/typec/port2-partner", "devices/platform/USBC000:00/typec/port2");
  tree.directory("class/typec/port2.0");
  // A bus listing beside the class is not read twice.
  tree.link("bus/typec/devices/port7", "devices/platform/USBC000:00/typec/port2");

  const MemoryRegistry registry = buildSysfsRegistry(SysfsTree(tree.root()));
  const auto ports = registry.matching("IOPort");
  ASSERT_EQ(ports.size(), 2u);
  EXPECT_EQ(registry.readProperty(ports[0], "PortDescription"), RegistryValue("Port-USB-C@3"));
  EXPECT_EQ(registry.readProperty(ports[1], "PortDescription"), RegistryValue("Port-USB-C@11"));
  EXPECT_EQ(registry.readProperty(ports[1], "PortNumber"), RegistryValue(11));
}

TEST_F(SysfsRegistryTest, UnreadableValuesAreAbsentAndNamesAreValidText) {
  const std::string p = tree.typecPort(0, "[source] sink");
  tree.partner(p, "peripheral");
  tree.usbPortLink(p, "usb1-port1");
  const std::string dock = tree.usbDevice("1-1", "480", "Caf\xE9 Dock", "100mA");
  // Each thing a tree could hold instead of an attribute: a directory, a
  // FIFO, a link to itself, an oversized file. None may block, loop or be read.
  const std::string odd = tree.usbDevice("1-1.1", "480", "", "");
  tree.directory(odd + "/product");
  std::filesystem::remove(tree.at(odd + "/bMaxPower"));
  ASSERT_EQ(::mkfifo(tree.at(odd + "/bMaxPower").c_str(), 0600), 0);
  tree.usbDevice("1-1.2", "480", std::string(SysfsDirectory::kMaxAttributeBytes + 1, 'x'), "7mA");
  const std::string looped = tree.usbDevice("1-1.3", "480", "", "8mA");
  std::filesystem::create_symlink("product", tree.at(looped + "/product"));

  const MemoryRegistry registry = buildSysfsRegistry(SysfsTree(tree.root()));
  const auto devices = registry.matching("IOUSBHostDevice");
  ASSERT_EQ(devices.size(), 4u);
  EXPECT_EQ(readString(registry.readProperties(devices[0]), "USB Product Name"),
            "Caf\xEF\xBF\xBD Dock");
  EXPECT_EQ(registry.readProperties(devices[1]), PropertyMap{});
  for (std::size_t i : {2u, 3u}) {
    EXPECT_EQ(readString(registry.readProperties(devices[i]), "USB Product Name"), std::nullopt);
  }
  EXPECT_EQ(readInteger(registry.readProperties(devices[2]), "kUSBBusCurrentAllocation"), 7);
  EXPECT_EQ(readInteger(registry.readProperties(devices[3]), "kUSBBusCurrentAllocation"), 8);
}

TEST(SysfsRegistrySource, MissingOrEmptyRootGivesAnEmptyRegistry) {
  test::FakeSysfs empty;
  EXPECT_EQ(SysfsRegistrySource(empty.root()).current()->matching("IOService").size(), 0u);
  EXPECT_EQ(SysfsRegistrySource(empty.root() + "/missing").current()->matching("IOService").size(), 0u);
}

TEST(SysfsRegistrySource, EveryCallReadsTheTreeAfresh) {
  test::FakeSysfs t;
  SysfsRegistrySource source(t.root());
  const std::string p = t.typecPort(0, "source [sink]");
  const auto before = source.current();
  t.partner(p, "power_brick");
  const auto after = source.current();
  EXPECT_FALSE(scanPorts(*before, PointInTime{0}).ports.at(0).connected);
  EXPECT_TRUE(scanPorts(*after, PointInTime{0}).ports.at(0).connected);
}

}  // namespace
}  // namespace plugscope
