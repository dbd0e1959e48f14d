#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <optional>
#include <string>

#include "platform/linux/sysfs_capture.h"
#include "platform/linux/sysfs_registry.h"
#include "scanner/port_scan.h"
#include "sysfs_fake_tree.h"
#include "test_support.h"

namespace plugscope {
namespace {

namespace fs = std::filesystem;

TEST(SysfsCapture, CopiesWhatTheScanReadsAndNeverLeavesTheRoot) {
  test::FakeSysfs sandbox;  // holds a directory beside the tree, and the copy
  test::FakeSysfs tree;
  const std::string p = tree.typecPort(0, "source [sink]");
  tree.partner(p, "power_brick");
  tree.usbPortLink(p, "usb1-port1");
  const std::string phone = tree.usbDevice("1-1", "480", "Phone", "500mA");
  tree.file(phone + "/serial", "R58M123456\n");
  tree.file(phone + "/manufacturer", "Maker\n");
  tree.powerSupply("AC", {{"type", "Mains"}, {"online", "1"}});
  // A supply that lives outside the root, and a link loop.
  sandbox.attributes("outside/ucsi", {{"type", "USB"}, {"online", "1"}, {"voltage_max", "20000000"},
                                      {"current_max", "3000000"}});
  fs::create_symlink(fs::relative(sandbox.at("outside/ucsi"), tree.at("class/power_supply")),
                     tree.at("class/power_supply/ucsi"));
  fs::create_symlink("loop-b", tree.at("class/power_supply/loop-a"));
  fs::create_symlink("loop-a", tree.at("class/power_supply/loop-b"));

  const std::string copy = sandbox.at("copy").string();
  std::string error;
  const auto registry = captureSysfs(SysfsTree(tree.root()), copy, error);
  ASSERT_TRUE(registry) << error;
  // The scan itself followed the outside supply; the copy leaves it out.
  EXPECT_EQ(scanPorts(*registry->registry, PointInTime{0}).chargerWatts, 60);
  const Snapshot fromCopy = scanPorts(buildSysfsRegistry(SysfsTree(copy)), PointInTime{0});
  EXPECT_EQ(fromCopy.chargerWatts, std::nullopt);
  EXPECT_EQ(fromCopy.ports, scanPorts(*registry->registry, PointInTime{0}).ports);

  EXPECT_FALSE(fs::exists(fs::symlink_status(fs::path(copy) / "class/power_supply/ucsi")));
  EXPECT_TRUE(fs::is_symlink(fs::path(copy) / "class/power_supply/loop-a"));
  const fs::path copiedPhone = fs::path(copy) / phone;
  EXPECT_EQ(test::readAll(copiedPhone / "product"), "Phone\n");
  EXPECT_FALSE(fs::exists(copiedPhone / "serial"));
  EXPECT_FALSE(fs::exists(copiedPhone / "manufacturer"));  // never read
  for (const auto& file : fs::recursive_directory_iterator(copy)) {
    if (file.is_symlink()) {
      EXPECT_TRUE(fs::read_symlink(file.path()).is_relative()) << file.path();
    }
  }
}

// Trees where the scan itself reads what the copy must handle: a file it
// must leave out although the scan read it, and one file that two links
// lead to.
TEST(SysfsCapture, WhatTheScanReadsIsCopiedOnceAndNeverWhatIdentifiesTheMachine) {
  const std::string uuid = "3f1c2a90-1b2c-4d5e-8f90-0123456789ab";
  const std::map<std::string, std::string> charger = {
      {"type", "USB"}, {"online", "1"}, {"voltage_max", "20000000"}, {"current_max", "3000000"}};
  struct Row {
    const char* name;
    std::function<void(test::FakeSysfs&)> build;
    std::optional<double> copiedWatts;  // what a scan of the copy finds
  };
  const Row rows[] = {
      {"a charger named by a unique id",
       [&](test::FakeSysfs& tree) { tree.powerSupply("hid-" + uuid + "-battery", charger); },
       std::nullopt},
      {"a charger listed under two names",
       [&](test::FakeSysfs& tree) {
         tree.powerSupply("ucsi-source-psy-USBC000:001", charger);
         tree.link("class/power_supply/ucsi-again",
                   "devices/platform/USBC000:00/power_supply/ucsi-source-psy-USBC000:001");
       },
       60},
  };
  for (const Row& row : rows) {
    test::FakeSysfs tree;
    test::FakeSysfs sandbox;
    row.build(tree);
    const std::string copy = sandbox.at("copy").string();
    std::string error;
    const auto registry = captureSysfs(SysfsTree(tree.root()), copy, error);
    ASSERT_TRUE(registry) << row.name << ": " << error;
    EXPECT_EQ(scanPorts(*registry->registry, PointInTime{0}).chargerWatts, 60)
        << row.name << ": not read";
    EXPECT_EQ(scanPorts(buildSysfsRegistry(SysfsTree(copy)), PointInTime{0}).chargerWatts,
              row.copiedWatts)
        << row.name;
    for (const auto& file : fs::recursive_directory_iterator(copy)) {
      EXPECT_EQ(file.path().string().find(uuid), std::string::npos) << row.name;
    }
  }
}

TEST(SysfsCapture, DestinationMustBeNewOrEmpty) {
  test::FakeSysfs tree;
  tree.typecPort(0, "[source] sink");
  test::FakeSysfs sandbox;
  sandbox.directory("empty");
  sandbox.file("full/x", "x");
  sandbox.file("file", "x");
  struct Case {
    const char* name;
    bool accepted;
  };
  const Case cases[] = {{"new", true}, {"empty", true}, {"full", false}, {"file", false}, {"no/parent", false}};
  for (const Case& c : cases) {
    std::string error;
    const auto registry = captureSysfs(SysfsTree(tree.root()), sandbox.at(c.name).string(), error);
    EXPECT_EQ(registry.has_value(), c.accepted) << c.name << ": " << error;
    EXPECT_EQ(error.empty(), c.accepted) << c.name;
  }
  EXPECT_EQ(test::readAll(sandbox.at("full/x")), "x");
}

}  // namespace
}  // namespace plugscope
