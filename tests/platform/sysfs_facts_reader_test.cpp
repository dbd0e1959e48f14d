// The reader gives what the tree says, as it says it, reading each file
// once; what it means is the rules' business (tests/sysfs_rules).
#include <gtest/gtest.h>

#include <map>

#include "platform/linux/registry/sysfs_facts_reader.h"
#include "sysfs_fake_tree.h"

namespace plugscope {
namespace {

// Counts every access a read makes, by path.
class CountingLog final : public SysfsReadLog {
 public:
  void accessed(Access access, const std::string& path) override {
    if (access == Access::file) ++files[path];
  }
  std::map<std::string, int> files;
};

TEST(SysfsFactsReader, AConnectorWithEverythingAttached) {
  test::FakeSysfs tree;
  const std::string p = tree.typecPort(0, "source [sink]");
  tree.attributes(p, {{"usb_power_delivery_revision", "3.0"}, {"usb_capability", "usb2 usb3 [usb4]"}});
  tree.attributes(p + "/physical_location", {{"panel", "left"}, {"vertical_position", "upper"},
                                             {"horizontal_position", "left"}, {"dock", "no"}, {"lid", "no"}});
  tree.altMode(p, 0, "ff01", "yes");
  tree.usbPortLink(p, "usb2-port1");
  tree.usb4Port(p, 0, 1, "usb4");
  const std::string partner = tree.partner(p, "power_brick");
  tree.attributes(partner, {{"usb_power_delivery_revision", "3.0"}});
  tree.attributes(partner + "/identity", {{"id_header", "0x1c0005ac"}, {"product", "0x00000000"},
                                          {"product_type_vdo1", "0x00000000"}});
  tree.altMode(partner, 1, "8087", "no", "0x00000001");
  tree.file(partner + "/port0-partner.1/mode1/active", "yes\n");
  tree.sourceCapability(partner, "1:fixed_supply", {{"voltage", "5000mV"}, {"maximum_current", "3000mA"}});
  tree.file(partner + "/pd0/source-capabilities/1:fixed_supply/uevent", "DEVTYPE=pdo\n");  // not a value
  tree.attributes(partner + "/pd0/sink-capabilities/1:fixed_supply", {{"operational_current", "3000mA"}});
  tree.file(partner + "/pd0/revision", "3.0\n");
  const std::string phone = tree.usbDevice("2-1", "480", "Phone", "500mA");
  tree.link(partner + "/2-1", phone);
  const std::string cable = tree.cable(p, "active", "0x20000000", "0x00000400");
  tree.altMode(cable + "/port0-plug0", 0, "8087", "no", "0x00200000");

  CountingLog log;
  const SysfsFacts facts = readSysfsFacts(SysfsTree(tree.root(), &log));
  ASSERT_EQ(facts.connectors.size(), 1u);
  const ConnectorFacts& c = facts.connectors[0];
  EXPECT_EQ(c.index, 0);
  EXPECT_EQ(c.powerRole, "source [sink]");
  EXPECT_EQ(c.dataRole, "[host] device");
  EXPECT_EQ(c.powerOperationMode, "usb_power_delivery");
  EXPECT_EQ(c.usbPowerDeliveryRevision, "3.0");
  EXPECT_EQ(c.usbCapability, "usb2 usb3 [usb4]");
  EXPECT_EQ(c.physicalLocation, (PhysicalLocationFacts{"left", "upper", "left", "no", "no"}));
  EXPECT_EQ(c.altModes, (std::vector<AltModeFacts>{{"port0.0", "ff01", "0x00000000", "yes", {}}}));
  EXPECT_EQ(c.usbPorts, std::vector<sysfs::UsbPortRef>{*sysfs::usbPortName("usb2-port1")});
  ASSERT_EQ(c.usb4Ports.size(), 1u);
  EXPECT_EQ(c.usb4Ports[0].adapter, 1);
  EXPECT_EQ(c.usb4Ports[0].target, "../../../../pci0000:00/0000:00:0d.2/domain0/0-0/usb4_port1");
  EXPECT_EQ(c.usb4Ports[0].link, "usb4");

  ASSERT_TRUE(c.partner);
  EXPECT_EQ(c.partner->type, "power_brick");
  EXPECT_EQ(c.partner->usbPowerDeliveryRevision, "3.0");
  EXPECT_EQ(c.partner->identity, (IdentityFacts{"0x1c0005ac", "0x00000000", "0x00000000", {}, {}}));
  EXPECT_EQ(c.partner->altModes,
            (std::vector<AltModeFacts>{{"port0-partner.1", "8087", "0x00000001", "no", {{"mode1", "yes"}}}}));
  EXPECT_EQ(c.partner->usbDevices, std::vector<sysfs::UsbDeviceName>{*sysfs::usbDeviceName("2-1")});
  const PowerDeliveryFacts pd0{
      "pd0", "3.0",
      std::vector<PdObjectFacts>{{"1:fixed_supply", {{"voltage", "5000mV"}, {"maximum_current", "3000mA"}}}},
      std::vector<PdObjectFacts>{{"1:fixed_supply", {{"operational_current", "3000mA"}}}}};
  EXPECT_EQ(c.partner->powerDelivery, (PowerDeliveryLinks{"pd0", {pd0}}));

  ASSERT_TRUE(c.cable);
  EXPECT_EQ(c.cable->type, "active");
  EXPECT_EQ(c.cable->plugType, "type-c");
  EXPECT_EQ(c.cable->identity.productTypeVdo2, "0x00000400");
  EXPECT_EQ(c.cable->plugs, (std::vector<PlugFacts>{
                                {"port0-plug0", {{"port0-plug0.0", "8087", "0x00200000", "no", {}}}}}));

  // Each file once; the objects are read in pd0, never again through the link.
  for (const auto& [path, count] : log.files) {
    EXPECT_EQ(count, 1) << path;
    EXPECT_EQ(path.find("/usb_power_delivery/"), std::string::npos) << path;
    EXPECT_EQ(path.find("uevent"), std::string::npos) << path;
  }
}

TEST(SysfsFactsReader, PowerDeliveryObjectsWhereverTheKernelPutsThem) {
  enum class Layout { linkToChild, childOnly, linkElsewhere, linkAndAnotherChild };
  struct Case {
    const char* name;
    Layout layout;
    std::vector<std::string> sets;  // the names read, in order
  };
  const Case cases[] = {
      {"a link to its pd0 child", Layout::linkToChild, {"pd0"}},
      {"a pdN child, no link (newer UCSI)", Layout::childOnly, {"pd7"}},
      {"a link into the class", Layout::linkElsewhere, {"usb_power_delivery"}},
      {"a link elsewhere beside a child", Layout::linkAndAnotherChild, {"pd7", "usb_power_delivery"}},
  };
  for (const Case& c : cases) {
    test::FakeSysfs tree;
    const std::string partner = tree.partner(tree.typecPort(0, "source [sink]"), "power_brick");
    const std::map<std::string, std::string> object{{"voltage", "9000mV"}, {"maximum_current", "2000mA"}};
    if (c.layout == Layout::linkToChild) tree.sourceCapability(partner, "1:fixed_supply", object);
    if (c.layout == Layout::childOnly || c.layout == Layout::linkAndAnotherChild) {
      tree.attributes(partner + "/pd7/source-capabilities/1:fixed_supply", object);
    }
    if (c.layout == Layout::linkElsewhere || c.layout == Layout::linkAndAnotherChild) {
      tree.attributes("devices/platform/USBC000:00/pd3/source-capabilities/1:fixed_supply", object);
      tree.link(partner + "/usb_power_delivery", "devices/platform/USBC000:00/pd3");
    }
    const SysfsFacts facts = readSysfsFacts(SysfsTree(tree.root()));
    ASSERT_EQ(facts.connectors.size(), 1u) << c.name;
    std::vector<std::string> names;
    for (const PowerDeliveryFacts& set : facts.connectors[0].partner->powerDelivery.sets) {
      names.push_back(set.name);
      ASSERT_TRUE(set.sourceCapabilities) << c.name;
      EXPECT_EQ(set.sourceCapabilities->size(), 1u) << c.name;
      EXPECT_EQ(set.sinkCapabilities, std::nullopt) << c.name;
    }
    EXPECT_EQ(names, c.sets) << c.name;
  }
}

TEST(SysfsFactsReader, UsbDevicesRoutersAndSuppliesAsTheyAre) {
  test::FakeSysfs tree;
  tree.usbDevice("usb2", "10000", "xHCI Host Controller", "0mA");
  const std::string drive = tree.usbDevice("2-1", "480", "Drive", "896mA");
  tree.file(drive + "/version", " 3.20\n");
  // A BOS descriptor is binary: white space, NUL and bytes that are no
  // UTF-8 stay as they are.
  const std::string bos("\x05\x0f\x16\x00\x02\n\x07\x10\x02\x06\x00\x00\x00 \xff\n", 16);
  tree.file(drive + "/bos_descriptors", bos);
  tree.link(drive + "/port", "devices/pci0000:00/0000:00:14.0/usb2/2-0:1.0/usb2-port1");
  tree.link("devices/pci0000:00/0000:00:14.0/usb2/2-0:1.0/usb2-port1/peer",
            "devices/pci0000:00/0000:00:14.0/usb3/3-0:1.0/usb3-port1");
  tree.link("devices/pci0000:00/0000:00:14.0/usb2/2-0:1.0/usb2-port1/connector",
            "devices/platform/USBC000:00/typec/port0");
  tree.router("0-1", {{"device_name", "Dock Pro"}, {"vendor_name", "Harbor"}, {"generation", "4"},
                      {"rx_speed", "20.0 Gb/s"}, {"rx_lanes", "2"}, {"tx_speed", "20.0 Gb/s"}, {"tx_lanes", "2"}});
  tree.powerSupply("ucsi-source-psy-USBC000:001",
                   {{"type", "USB"}, {"usb_type", "C [PD] PD_PPS"}, {"online", "1"}, {"scope", "Unknown"},
                    {"voltage_max", "20000000"}, {"current_max", "3250000"}, {"charge_type", "Trickle"}});
  tree.powerSupply("BAT0", {{"type", "Battery"}, {"status", "Discharging"}, {"capacity", "57"},
                            {"charge_control_end_threshold", "80"}});

  const SysfsFacts facts = readSysfsFacts(SysfsTree(tree.root()));
  ASSERT_EQ(facts.usbDevices.size(), 2u);
  const UsbDeviceFacts& d = facts.usbDevices[0];  // "2-1" lists before "usb2"
  EXPECT_EQ(d.name, *sysfs::usbDeviceName("2-1"));
  EXPECT_EQ(d.product, "Drive");
  EXPECT_EQ(d.speed, "480");
  EXPECT_EQ(d.version, "3.20");
  EXPECT_EQ(d.maxPower, "896mA");
  EXPECT_EQ(d.bosDescriptors, bos);
  EXPECT_EQ(d.portPeer, "../../../usb3/3-0:1.0/usb3-port1");
  EXPECT_EQ(d.portConnector, "../../../../../platform/USBC000:00/typec/port0");
  EXPECT_EQ(facts.usbDevices[1].portPeer, std::nullopt);  // a root hub sits on no port

  ASSERT_EQ(facts.routers.size(), 1u);
  EXPECT_EQ(facts.routers[0], (RouterFacts{*sysfs::routerName("0-1"), "Dock Pro", "Harbor", "4",
                                           "20.0 Gb/s", "2", "20.0 Gb/s", "2"}));
  ASSERT_EQ(facts.powerSupplies.size(), 2u);
  EXPECT_EQ(facts.powerSupplies[0], (PowerSupplyFacts{"BAT0", "Battery", {}, {}, {}, {}, {}, {},
                                                      "Discharging", "57", "80"}));
  EXPECT_EQ(facts.powerSupplies[1],
            (PowerSupplyFacts{"ucsi-source-psy-USBC000:001", "USB", "C [PD] PD_PPS", "1", "Unknown",
                              "20000000", "3250000", "Trickle", {}, {}, {}}));
}

TEST(SysfsFactsReader, AMissingTreeHasNoFacts) {
  EXPECT_EQ(readSysfsFacts(SysfsTree("/nonexistent/plugscope-sysfs")), SysfsFacts{});
}

}  // namespace
}  // namespace plugscope
