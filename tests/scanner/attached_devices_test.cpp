#include <gtest/gtest.h>

#include <algorithm>

#include "scanner/attached_devices.h"
#include "test_support.h"

namespace plugscope {
namespace {

using test::registryFromJson;

// A chain of `depth` plain entries under an entry carrying UsbIOPort, with
// the device at the bottom.
std::string deviceUnderPort(const std::string& usbIoPort, int depth, const std::string& device) {
  std::string json = R"({"classes":["AppleUSBHostPort"],"properties":{"UsbIOPort":)" + usbIoPort +
                     R"(},"children":[)";
  std::string close = "]}";
  for (int i = 1; i < depth; ++i) {
    json += R"({"classes":["Link"],"children":[)";
    close += "]}";
  }
  return json + device + close;
}

std::string device(const std::string& properties) {
  return R"({"classes":["IOUSBHostDevice","IOUSBDevice"],"properties":{)" + properties + "}}";
}

TEST(UsbPortWalk, FindsTheNearestUsbIoPortWithinTwelveEntries) {
  struct Case {
    const char* name;
    std::string usbIoPort;
    int depth;
    std::optional<UsbPortName> expected;
  };
  const Case cases[] = {
      {"on the device's parent", R"("A/B/Port-USB-C@1")", 1, UsbPortName{"Port-USB-C@1", 1}},
      {"grandparent", R"("Port-USB-C@2")", 2, UsbPortName{"Port-USB-C@2", 2}},
      {"trailing slash", R"("IOService:/x/Port-USB-C@3/")", 1, UsbPortName{"Port-USB-C@3", 1}},
      {"double slashes", R"("a//b//")", 1, UsbPortName{"b", 1}},
      {"depth 11 is the last examined", R"("P")", 11, UsbPortName{"P", 11}},
      {"depth 12 is too far", R"("P")", 12, std::nullopt},
      {"only slashes", R"("//")", 1, std::nullopt},
      {"empty text", R"("")", 1, std::nullopt},
  };
  for (const Case& c : cases) {
    const MemoryRegistry r = registryFromJson(
        R"({"entries":[)" + deviceUnderPort(c.usbIoPort, c.depth, device(R"("x":1)")) + "]}");
    EXPECT_EQ(findUsbPortName(r, r.matching("IOUSBHostDevice").at(0)), c.expected) << c.name;
  }
}

TEST(UsbPortWalk, NonStringUsbIoPortIsPassedOverAndTheDeviceItselfCounts) {
  const MemoryRegistry r = registryFromJson(R"({"entries":[
      {"classes":["P"],"properties":{"UsbIOPort":"Port-USB-C@1"},"children":[
        {"classes":["Q"],"properties":{"UsbIOPort":{"$data":"AA=="}},"children":[
          {"classes":["IOUSBHostDevice"]},
          {"classes":["IOUSBHostDevice"],"properties":{"UsbIOPort":"Own@4"}}]}]}]})");
  const auto devices = r.matching("IOUSBHostDevice");
  EXPECT_EQ(findUsbPortName(r, devices[0]), (UsbPortName{"Port-USB-C@1", 2}));
  EXPECT_EQ(findUsbPortName(r, devices[1]), (UsbPortName{"Own@4", 0}));
}

TEST(HubNamePattern, MatchesTheWholeNameCaseSensitively) {
  const std::pair<const char*, bool> cases[] = {
      {"USB2.0 Hub", true},        {"USB 3.1 Hub", true},      {"USB3Hub", true},
      {"USB 2.0Hub", true},        {"USB3.0 Hub", true},       {"USB ...Hub", true},
      {"USB Hub", false},          {"usb 2.0 hub", false},     {"USB 2.0 Hub [MTT]", false},
      {"Generic USB 2.0 Hub", false}, {"USB  2.0 Hub", false}, {"USB 2.0 Hub\n", false},
      {"USB 2,0 Hub", false},      {"", false},
  };
  for (const auto& [name, hub] : cases) EXPECT_EQ(isHubName(name), hub) << name;
}

TEST(UserPerceivedLength, CountsGraphemeClusters) {
  EXPECT_EQ(userPerceivedLength(""), 0u);
  EXPECT_EQ(userPerceivedLength("Mouse"), 5u);
  EXPECT_EQ(userPerceivedLength("e\xcc\x81"), 1u);                       // e + combining acute
  EXPECT_EQ(userPerceivedLength("\xf0\x9f\x87\xa9\xf0\x9f\x87\xaa"), 1u);  // flag: two regional indicators
  EXPECT_EQ(userPerceivedLength("\xf0\x9f\x91\xa9\xe2\x80\x8d\xf0\x9f\x92\xbb"), 1u);  // ZWJ sequence
  EXPECT_EQ(userPerceivedLength("\r\n"), 1u);
  EXPECT_EQ(userPerceivedLength("a\xff" "b"), 3u);
}

std::string portWith(const std::vector<std::pair<int, std::string>>& devices) {
  // Each device under its own chain, all naming Port-USB-C@1.
  std::string json = R"({"entries":[)";
  for (std::size_t i = 0; i < devices.size(); ++i) {
    json += (i ? "," : "") + deviceUnderPort(R"("Port-USB-C@1")", devices[i].first,
                                             device(devices[i].second));
  }
  return json + "]}";
}

struct ChoiceCase {
  const char* name;
  std::vector<std::pair<int, std::string>> devices;  // depth, properties
  UsbDevice chosen;
  // Listed the other way round: the choice, when a full tie (same depth,
  // same length) makes listing order decide.
  std::optional<UsbDevice> reversed = std::nullopt;
};

const std::vector<ChoiceCase>& choiceCases() {
  static const std::vector<ChoiceCase> cases = {
      {"hubs are left out before depth counts",
       {{1, R"("USB Product Name":"USB2.0 Hub")"}, {3, R"("USB Product Name":"Keyboard")"}},
       {"Keyboard", std::nullopt}},
      {"all hubs: smallest depth",
       {{2, R"("USB Product Name":"USB 3.1 Hub")"}, {1, R"("USB Product Name":"USB3Hub")"}},
       {"USB3Hub", std::nullopt}},
      {"same depth: more characters",
       {{1, R"("USB Product Name":"Mouse")"}, {1, R"("USB Product Name":"Gaming Mouse")"}},
       {"Gaming Mouse", std::nullopt}},
      {"same depth and length: registry order",
       {{1, R"("USB Product Name":"Alpha")"}, {1, R"("USB Product Name":"Bravo")"}},
       {"Alpha", std::nullopt},
       UsbDevice{"Bravo", std::nullopt}},
      {"graphemes, not bytes: 6 bytes but 2 characters lose to 3 characters",
       {{1, "\"USB Product Name\":\"\xc3\xa9\xc3\xa9\xc3\xa9\""},  // 3 characters, 6 bytes
        {1, "\"USB Product Name\":\"e\xcc\x81" "e\xcc\x81\""},    // 2 characters, 6 bytes
        {1, R"("USB Product Name":"abc")"}},
       {"\xc3\xa9\xc3\xa9\xc3\xa9", std::nullopt},
       UsbDevice{"abc", std::nullopt}},
      {"grapheme length beats byte length",
       {{1, R"("USB Product Name":"abcd")"},
        {1, "\"USB Product Name\":\"\xf0\x9f\x87\xa9\xf0\x9f\x87\xaa\xf0\x9f\x87\xab\xf0\x9f\x87\xb7\""}},
       {"abcd", std::nullopt}},
      {"smaller depth beats longer name",
       {{2, R"("USB Product Name":"Long device name")"}, {1, R"("USB Product Name":"Short")"}},
       {"Short", std::nullopt}},
      {"product string fallback and bus current",
       {{1, R"("kUSBProductString":"Phone","kUSBBusCurrentAllocation":900)"}},
       {"Phone", 900}},
      {"product name preferred over product string",
       {{1, R"("USB Product Name":"A","kUSBProductString":"Longer B")"}}, {"A", std::nullopt}},
      {"no product name, non-string name",
       {{1, R"("USB Product Name":5,"kUSBBusCurrentAllocation":"500")"}},
       {"USB device", std::nullopt}},
      {"fallback name competes like any other",
       {{1, R"("USB Product Name":"Pen")"}, {1, R"("kUSBBusCurrentAllocation":100)"}},
       {"USB device", 100}},
      {"a nearer device listed before a deeper one with a longer name",
       {{1, R"("USB Product Name":"Pen")"}, {2, R"("USB Product Name":"Wireless Presenter")"},
        {3, R"("USB Product Name":"USB 2.0 Hub Controller Extra")"}},
       {"Pen", std::nullopt}},
      {"hubs only, nearer hub first",
       {{1, R"("USB Product Name":"USB3Hub")"}, {2, R"("USB Product Name":"USB 3.1 Hub")"}},
       {"USB3Hub", std::nullopt}},
  };
  return cases;
}

TEST(UsbDevicesByPort, ChoosesOneDevicePerPortName) {
  for (const ChoiceCase& c : choiceCases()) {
    const auto map = usbDevicesByPort(registryFromJson(portWith(c.devices)));
    ASSERT_EQ(map.size(), 1u) << c.name;
    EXPECT_EQ(map.at("Port-USB-C@1"), c.chosen) << c.name;
  }
}

// Planted fault: a deeper device with a longer name, listed after a nearer
// one, must not win. Every row in both orders; only a full tie may change.
TEST(UsbDevicesByPort, ChoiceDoesNotDependOnListingOrderExceptOnFullTies) {
  for (const ChoiceCase& c : choiceCases()) {
    auto devices = c.devices;
    std::reverse(devices.begin(), devices.end());
    const auto map = usbDevicesByPort(registryFromJson(portWith(devices)));
    ASSERT_EQ(map.size(), 1u) << c.name;
    EXPECT_EQ(map.at("Port-USB-C@1"), c.reversed.value_or(c.chosen)) << c.name;
  }
}

TEST(UsbDevicesByPort, DevicesWithoutAPortAreSkipped) {
  const auto map = usbDevicesByPort(registryFromJson(R"({"entries":[
      {"classes":["IOUSBHostDevice"],"properties":{"USB Product Name":"Orphan"}},
      {"classes":["X"],"properties":{"UsbIOPort":"A"},"children":[{"classes":["IOUSBHostDevice"]}]},
      {"classes":["X"],"properties":{"UsbIOPort":"B"},"children":[{"classes":["IOUSBHostDevice"]}]}]})"));
  EXPECT_EQ(map.size(), 2u);
  EXPECT_EQ(map.count("A"), 1u);
  EXPECT_EQ(map.at("B").name, "USB device");
}

std::string tbSwitch(const std::string& properties, const std::string& children = "") {
  return R"({"classes":["IOThunderboltSwitchType5","IOThunderboltSwitch"],"properties":{)" +
         properties + R"(},"children":[)" + children + "]}";
}

TEST(ThunderboltDevicesBySocket, DepthOneSwitchesNameTheirSocket) {
  struct Case {
    const char* name;
    std::string entries;
    std::map<std::int64_t, std::string> expected;
  };
  const Case cases[] = {
      {"socket on the switch", tbSwitch(R"("Depth":1,"Device Model Name":"Dock","Socket ID":3)"),
       {{3, "Dock"}}},
      {"socket as text on an ancestor",
       R"({"classes":["NHI"],"properties":{"Socket ID":"+2"},"children":[)" +
           tbSwitch(R"("Depth":1,"Device Model Name":"Dock")") + "]}",
       {{2, "Dock"}}},
      {"own socket beats the ancestor's",
       R"({"classes":["NHI"],"properties":{"Socket ID":1},"children":[)" +
           tbSwitch(R"("Depth":1,"Device Model Name":"Dock","Socket ID":"4")") + "]}",
       {{4, "Dock"}}},
      {"depth 2 ignored", tbSwitch(R"("Depth":2,"Device Model Name":"Dock","Socket ID":3)"), {}},
      {"depth as text ignored", tbSwitch(R"("Depth":"1","Device Model Name":"Dock","Socket ID":3)"), {}},
      {"no model name", tbSwitch(R"("Depth":1,"Socket ID":3)"), {}},
      {"no socket anywhere", tbSwitch(R"("Depth":1,"Device Model Name":"Dock")"), {}},
      {"socket as data", tbSwitch(R"("Depth":1,"Device Model Name":"Dock","Socket ID":{"$data":"Aw=="})"), {}},
      {"socket text 3a", tbSwitch(R"("Depth":1,"Device Model Name":"Dock","Socket ID":"3a")"), {}},
      {"negative socket", tbSwitch(R"("Depth":1,"Device Model Name":"Dock","Socket ID":-1)"), {{-1, "Dock"}}},
      {"the last switch of a socket wins",
       tbSwitch(R"("Depth":1,"Device Model Name":"First","Socket ID":3)") + "," +
           tbSwitch(R"("Depth":1,"Device Model Name":"Second","Socket ID":"3")"),
       {{3, "Second"}}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(thunderboltDevicesBySocket(registryFromJson(R"({"entries":[)" + c.entries + "]}")),
              c.expected)
        << c.name;
  }
}

}  // namespace
}  // namespace plugscope
