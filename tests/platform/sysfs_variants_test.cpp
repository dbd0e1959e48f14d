// The layouts real laptops show: each bundled tree gives the facts it
// models. Each rule's boundaries are pinned by tables over facts in
// tests/sysfs_rules.
#include <gtest/gtest.h>

#include "platform/linux/registry/sysfs_registry.h"
#include "scanner/port_scan.h"
#include "scanner/property_reads.h"
#include "test_support.h"

namespace plugscope {
namespace {

using test::port;

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
      // A Type-C controller's stale supply counts only with a sinking partner.
      {"stale-usb-supply", {port(1, false), port(2, false)}, std::nullopt, false},
      {"stale-usb-supply-sink-partner", {sinking, port(2, false)}, 60, true},
      // The charger's objects on the partner, and no supply that says so.
      {"charger-objects-without-supply", {sinking, port(2, false)}, 100, true},
  };
  for (const Case& c : cases) {
    const std::string root = test::fixturePath(std::string("sysfs/") + c.tree);
    const Snapshot snapshot = scanTree(root);
    EXPECT_EQ(snapshot.ports, c.ports) << c.tree;
    EXPECT_EQ(snapshot.chargerWatts, c.watts) << c.tree;
    EXPECT_EQ(externalPower(root), c.external) << c.tree;
  }
}

}  // namespace
}  // namespace plugscope
