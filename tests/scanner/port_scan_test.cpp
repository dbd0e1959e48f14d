#include <gtest/gtest.h>

#include <thread>

#include "scanner/port_scan.h"
#include "test_support.h"

namespace plugscope {
namespace {

using test::registryFromJson;

std::string portEntry(const std::string& properties, const std::string& children = "") {
  return R"({"classes":["AppleTCControllerType10","IOPort"],"properties":{)" + properties +
         R"(},"children":[)" + children + "]}";
}

std::string link(const std::string& properties, const std::string& children = "") {
  return R"({"classes":["IOPortTransportState"],"properties":{)" + properties +
         R"(},"children":[)" + children + "]}";
}

std::vector<PortStatus> scan(const std::string& entries) {
  return scanPorts(registryFromJson(R"({"entries":[)" + entries + "]}"), {0}).ports;
}

const std::string kUsbC = R"("PortTypeDescription":"USB-C",)";

TEST(ClassifyPort, TypeGateAndDescription) {
  struct Case {
    const char* name;
    std::string properties;
    std::optional<std::string> id;  // none: no port
  };
  const Case cases[] = {
      {"no type", R"("PortDescription":"P@1")", std::nullopt},
      {"type not a string", R"("PortTypeDescription":1,"PortDescription":"P@1")", std::nullopt},
      {"other type", R"("PortTypeDescription":"MagSafe 3","PortDescription":"P@1")", std::nullopt},
      {"lower case", R"("PortTypeDescription":"usb-c","PortDescription":"P@1")", std::nullopt},
      {"trailing space", R"("PortTypeDescription":"USB-C ","PortDescription":"P@1")", std::nullopt},
      {"no description", kUsbC + R"("PortNumber":1)", std::nullopt},
      {"description not a string", kUsbC + R"("PortDescription":7)", std::nullopt},
      {"only Description", kUsbC + R"("Description":"Fallback@2")", "Fallback@2"},
      {"PortDescription preferred", kUsbC + R"("PortDescription":"A@1","Description":"B@1")", "A@1"},
      {"non-string PortDescription falls back", kUsbC + R"("PortDescription":[],"Description":"B@1")", "B@1"},
  };
  for (const Case& c : cases) {
    const auto ports = scan(portEntry(c.properties));
    if (c.id) {
      ASSERT_EQ(ports.size(), 1u) << c.name;
      EXPECT_EQ(ports[0].id, *c.id) << c.name;
    } else {
      EXPECT_TRUE(ports.empty()) << c.name;
    }
  }
  // An entry of another class carrying the same properties is not matched.
  EXPECT_TRUE(scan(R"({"classes":["Other"],"properties":{"PortTypeDescription":"USB-C","PortDescription":"P@1"}})").empty());
}

TEST(ClassifyPort, NumberFromPortNumberOrTheDescription) {
  const std::pair<const char*, std::int64_t> fallbacks[] = {
      {"Port-USB-C@2", 2}, {"Port3", 0},  {"A@B@7", 7},   {"X@", 0},
      {"@@", 0},           {"P@-1", -1},  {"P@ 2", 0},    {"P@+4", 4},
      {"P@007", 7},        {"", 0},       {"P@2@", 2},    {"P@99999999999999999999", 0},
      {"P@-9223372036854775808", INT64_MIN},
  };
  for (const auto& [description, number] : fallbacks) {
    EXPECT_EQ(numberFromDescription(description), number) << description;
    const auto ports = scan(portEntry(kUsbC + R"("PortDescription":")" + description + "\""));
    ASSERT_EQ(ports.size(), 1u) << description;
    EXPECT_EQ(ports[0].number, number) << description;
  }
  EXPECT_EQ(scan(portEntry(kUsbC + R"("PortDescription":"P@2","PortNumber":9)"))[0].number, 9);
  EXPECT_EQ(scan(portEntry(kUsbC + R"("PortDescription":"P@2","PortNumber":"9")"))[0].number, 2);
  EXPECT_EQ(scan(portEntry(kUsbC + R"("PortDescription":"P@2","PortNumber":9.0)"))[0].number, 2);
}

TEST(ClassifyPort, FlagsAndPowerIn) {
  struct Case {
    const char* name;
    std::string properties;
    bool connected, activeCable, opticalCable, powerIn;
  };
  const Case cases[] = {
      {"defaults", "", false, false, false, false},
      {"all set",
       R"("ConnectionActive":true,"ActiveCable":true,"OpticalCable":true,"FeaturesEnabled":["Power In"])",
       true, true, true, true},
      {"flags of the wrong kind", R"("ConnectionActive":1,"ActiveCable":"true","OpticalCable":0)",
       false, false, false, false},
      {"power in while disconnected", R"("ConnectionActive":false,"FeaturesEnabled":["Power In"])",
       false, false, false, false},
      {"power in without connection flag", R"("FeaturesEnabled":["Power In"])", false, false, false, false},
      {"features not all strings", R"("ConnectionActive":true,"FeaturesEnabled":["Power In",1])",
       true, false, false, false},
      {"features lower case", R"("ConnectionActive":true,"FeaturesEnabled":["power in"])",
       true, false, false, false},
  };
  for (const Case& c : cases) {
    const auto ports = scan(portEntry(kUsbC + R"("PortDescription":"P@1")" +
                                      (c.properties.empty() ? "" : "," + c.properties)));
    ASSERT_EQ(ports.size(), 1u) << c.name;
    EXPECT_EQ(ports[0].connected, c.connected) << c.name;
    EXPECT_EQ(ports[0].activeCable, c.activeCable) << c.name;
    EXPECT_EQ(ports[0].opticalCable, c.opticalCable) << c.name;
    EXPECT_EQ(ports[0].powerIn, c.powerIn) << c.name;
  }
}

TEST(ReadLink, ProtocolsSpeedAndSmartCable) {
  const std::string sop = R"({"classes":["Id"],"properties":{"AddressDescription":"SOP'"}})";
  struct Case {
    const char* name;
    std::string children;
    std::vector<std::string> protocols;
    std::optional<std::string> speed;
    bool smartCable;
  };
  const Case cases[] = {
      {"inactive CC with SOP' child marks a smart cable",
       link(R"("TransportTypeDescription":"CC","Active":false)", sop), {}, std::nullopt, true},
      {"active CC adds no protocol", link(R"("TransportTypeDescription":"CC","Active":true)", sop), {},
       std::nullopt, true},
      {"SOP without apostrophe",
       link(R"("TransportTypeDescription":"CC")", R"({"classes":["Id"],"properties":{"AddressDescription":"SOP"}})"),
       {}, std::nullopt, false},
      {"SOP' on a non-CC child", link(R"("TransportTypeDescription":"USB2")", sop), {}, std::nullopt, false},
      {"USB3 without data rate",
       link(R"("TransportTypeDescription":"USB3","Active":true)"), {"USB 3"}, std::nullopt, false},
      {"USB2 then CIO",
       link(R"("TransportTypeDescription":"USB2","Active":true,"DataRateDescription":"A")") + "," +
           link(R"("TransportTypeDescription":"CIO","Active":true,"DataRateDescription":"B")"),
       {"Thunderbolt", "USB 2"}, "B", false},
      {"two USB3 keep both and the first speed",
       link(R"("TransportTypeDescription":"USB3","Active":true,"DataRateDescription":"A")") + "," +
           link(R"("TransportTypeDescription":"USB3","Active":true,"DataRateDescription":"B")"),
       {"USB 3", "USB 3"}, "A", false},
      {"full order",
       link(R"("TransportTypeDescription":"DisplayPort","Active":true,"DataRateDescription":"D")") + "," +
           link(R"("TransportTypeDescription":"USB2","Active":true,"DataRateDescription":"U2")") + "," +
           link(R"("TransportTypeDescription":"USB3","Active":true)") + "," +
           link(R"("TransportTypeDescription":"CIO","Active":true,"DataRateDescription":"None")"),
       {"Thunderbolt", "USB 3", "USB 2", "DisplayPort"}, "U2", false},
      {"High Speed stripped",
       link(R"x("TransportTypeDescription":"USB2","Active":true,"DataRateDescription":"480 Mbps (High Speed)")x"),
       {"USB 2"}, "480 Mbps", false},
      {"every occurrence stripped",
       link(R"("TransportTypeDescription":"USB2","Active":true,"DataRateDescription":"X (High Speed) (High Speed)Y")"),
       {"USB 2"}, "XY", false},
      {"stripping is case-sensitive and needs the space",
       link(R"x("TransportTypeDescription":"USB2","Active":true,"DataRateDescription":"X (high speed)")x") + "," +
           link(R"x("TransportTypeDescription":"DisplayPort","Active":true,"DataRateDescription":"Y(High Speed)")x"),
       {"USB 2", "DisplayPort"}, "X (high speed)", false},
      {"None adds no candidate",
       link(R"("TransportTypeDescription":"USB2","Active":true,"DataRateDescription":"None")"),
       {"USB 2"}, std::nullopt, false},
      {"empty data rate is a speed",
       link(R"("TransportTypeDescription":"USB2","Active":true,"DataRateDescription":"")"),
       {"USB 2"}, "", false},
      {"inactive adds nothing",
       link(R"("TransportTypeDescription":"CIO","Active":false,"DataRateDescription":"40 Gbps")"),
       {}, std::nullopt, false},
      {"active as 1 counts as inactive",
       link(R"("TransportTypeDescription":"CIO","Active":1,"DataRateDescription":"40 Gbps")"),
       {}, std::nullopt, false},
      {"unknown transport",
       link(R"("TransportTypeDescription":"USB4","Active":true,"DataRateDescription":"80 Gbps")"),
       {}, std::nullopt, false},
      {"transport case matters",
       link(R"("TransportTypeDescription":"usb3","Active":true,"DataRateDescription":"5")"),
       {}, std::nullopt, false},
      {"data rate not a string",
       link(R"("TransportTypeDescription":"CIO","Active":true,"DataRateDescription":40)"),
       {"Thunderbolt"}, std::nullopt, false},
  };
  for (const Case& c : cases) {
    const auto ports = scan(portEntry(kUsbC + R"("PortDescription":"P@1")", c.children));
    ASSERT_EQ(ports.size(), 1u) << c.name;
    EXPECT_EQ(ports[0].protocols, c.protocols) << c.name;
    EXPECT_EQ(ports[0].speed, c.speed) << c.name;
    EXPECT_EQ(ports[0].smartCable, c.smartCable) << c.name;
  }
}

TEST(ScanPorts, SortsStablyAndAttachesDevices) {
  const std::string usb =
      R"({"classes":["AppleUSBHostPort"],"properties":{"UsbIOPort":"x/Dup@5"},"children":[
           {"classes":["IOUSBHostDevice"],"properties":{"USB Product Name":"Disk","kUSBBusCurrentAllocation":900}}]},
         {"classes":["AppleUSBHostPort"],"properties":{"UsbIOPort":"x/Port-USB-C@2"},"children":[
           {"classes":["IOUSBHostDevice"],"properties":{"USB Product Name":"Stick"}}]})";
  const std::string tb =
      R"({"classes":["IOThunderboltSwitch"],"properties":{"Depth":1,"Device Model Name":"Dock","Socket ID":5}})";
  const auto ports = scan(portEntry(kUsbC + R"("PortDescription":"Dup@5","PortNumber":5,"ConnectionActive":true)") +
                          "," + portEntry(kUsbC + R"("PortDescription":"Port-USB-C@2")") + "," +
                          portEntry(kUsbC + R"("PortDescription":"Dup@5","PortNumber":5)") + "," +
                          portEntry(kUsbC + R"("PortDescription":"NoNumber")") + "," + usb + "," + tb);
  ASSERT_EQ(ports.size(), 4u);
  EXPECT_EQ(ports[0].id, "NoNumber");  // 0 sorts first
  EXPECT_EQ(ports[1].id, "Port-USB-C@2");
  EXPECT_EQ(ports[1].device, "Stick");
  EXPECT_FALSE(ports[1].usbPowerWatts);  // no bus current
  // Equal ids and numbers: both ports, registry order kept, same device;
  // the Thunderbolt name replaces the USB name, the bus power stays.
  EXPECT_TRUE(ports[2].connected);
  EXPECT_FALSE(ports[3].connected);
  for (int i : {2, 3}) {
    EXPECT_EQ(ports[i].device, "Dock");
    EXPECT_EQ(ports[i].usbPowerWatts, 4.5);
  }
  EXPECT_FALSE(ports[0].device);
}

TEST(ScanPorts, NoPortsStillCarriesChargerAndTaken) {
  const Snapshot s = scanPorts(
      registryFromJson(R"({"entries":[{"classes":["AppleSmartBattery"],"properties":{
          "ExternalConnected":true,"AdapterDetails":{"Watts":30}}}]})"),
      {12.5});
  EXPECT_TRUE(s.ports.empty());
  EXPECT_EQ(s.chargerWatts, 30);
  EXPECT_EQ(s.taken.seconds, 12.5);
}

TEST(ScanPorts, ConcurrentScansAgree) {
  const MemoryRegistry r = registryFromJson(test::readFixture("laptop-dock-display-charger.json"));
  const Snapshot expected = scanPorts(r, {0});
  std::vector<std::thread> threads;
  std::atomic<int> mismatches{0};
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&] {
      for (int i = 0; i < 50; ++i) {
        if (!(scanPorts(r, {0}) == expected)) ++mismatches;
      }
    });
  }
  for (auto& t : threads) t.join();
  EXPECT_EQ(mismatches, 0);
}

}  // namespace
}  // namespace plugscope
