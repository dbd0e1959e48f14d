// One live scan of a laptop-sized sysfs tree: what the agent pays every
// 2 seconds when nothing changed. Beside it, `lsusb -t` on the same tree
// under the umockdev preload, as a yardstick for what reading sysfs costs.
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <filesystem>
#include <spawn.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <vector>

#include "../tests/platform/sysfs_fake_tree.h"
#include "platform/linux/sysfs_registry.h"
#include "scanner/port_scan.h"

namespace plugscope {
namespace {

// Two connectors (one charging from a 100 W charger through an e-marked
// cable, one with a USB 2 hub, a keyboard and a mouse), a USB 3 hub with an
// SSD, four internal devices, a Thunderbolt host router, five power
// supplies, and the power/ noise every device directory carries.
void buildLaptop(test::FakeSysfs& tree) {
  auto noise = [&](const std::string& dir) {
    tree.attributes(dir + "/power", {{"async", "disabled"}, {"control", "auto"},
                                     {"runtime_status", "active"}, {"runtime_usage", "0"}});
    tree.file(dir + "/uevent", "DEVTYPE=unknown\n");
  };
  const std::string charging = tree.typecPort(0, "source [sink]");
  const std::string brick = tree.partner(charging, "power_brick");
  tree.cable(charging, "passive", "0x18000000");
  tree.altMode(charging, 0, "ff01", "yes");
  tree.altMode(charging, 1, "8087", "yes");
  tree.sourceCapability(brick, "1:fixed_supply", {{"voltage", "5000mV"}, {"maximum_current", "3000mA"}});
  tree.sourceCapability(brick, "2:fixed_supply", {{"voltage", "9000mV"}, {"maximum_current", "3000mA"}});
  tree.sourceCapability(brick, "3:fixed_supply", {{"voltage", "15000mV"}, {"maximum_current", "3000mA"}});
  tree.sourceCapability(brick, "4:fixed_supply", {{"voltage", "20000mV"}, {"maximum_current", "5000mA"}});
  tree.usbPortLink(charging, "usb1-port1");
  tree.usbPortLink(charging, "usb2-port1");
  tree.usb4Port(charging, 0, 1, "none");

  const std::string hubbed = tree.typecPort(1, "[source] sink");
  const std::string hubPartner = tree.partner(hubbed, "hub");
  tree.altMode(hubPartner, 0, "ff01", "no");
  tree.usbPortLink(hubbed, "usb1-port2");
  tree.usbPortLink(hubbed, "usb2-port2");
  tree.usb4Port(hubbed, 0, 3, "none");
  for (const std::string& p : {charging, hubbed}) noise(p);

  struct Device {
    const char* name;
    const char* speed;
    const char* product;
    const char* power;
  };
  const Device devices[] = {
      {"usb1", "480", "xHCI Host Controller", "0mA"},
      {"usb2", "10000", "xHCI Host Controller", "0mA"},
      {"1-2", "480", "USB2.0 Hub", "100mA"},
      {"1-2.1", "12", "USB Keyboard", "100mA"},
      {"1-2.3", "12", "Wireless Mouse", "98mA"},
      {"2-2", "5000", "USB3.1 Hub", "0mA"},
      {"2-2.4", "5000", "Portable SSD", "896mA"},
      {"1-7", "480", "Integrated Camera", "500mA"},
      {"1-8", "12", "Fingerprint Sensor", "100mA"},
      {"1-9", "480", "Card Reader", "500mA"},
      {"1-10", "12", "", "100mA"},
  };
  for (const Device& d : devices) {
    const std::string dir = tree.usbDevice(d.name, d.speed, d.product, d.power);
    noise(dir);
    // Interfaces share the bus listing; the scan must pass over them.
    if (std::string(d.name).rfind("usb", 0) != 0) {
      tree.directory(dir + "/" + d.name + ":1.0");
      tree.link(std::string("bus/usb/devices/") + d.name + ":1.0", dir + "/" + d.name + ":1.0");
    }
  }
  tree.router("0-0", {{"device_name", "Host Router"}, {"generation", "4"}});
  tree.directory("bus/thunderbolt/devices/domain0");

  tree.powerSupply("AC", {{"type", "Mains"}, {"online", "1"}});
  tree.powerSupply("BAT0", {{"type", "Battery"}, {"status", "Charging"}, {"capacity", "80"}});
  tree.powerSupply("ucsi-source-psy-USBC000:001",
                   {{"type", "USB"}, {"online", "1"}, {"voltage_max", "20000000"},
                    {"current_max", "5000000"}, {"voltage_now", "5000000"}, {"current_now", "3000000"}});
  tree.powerSupply("ucsi-source-psy-USBC000:002", {{"type", "USB"}, {"online", "0"}});
  tree.powerSupply("hid-mouse-battery", {{"type", "Battery"}, {"scope", "Device"}});
}

void BM_SysfsLiveScanOfLaptop(benchmark::State& state) {
  test::FakeSysfs tree;
  buildLaptop(tree);
  SysfsRegistrySource source(tree.root());
  if (scanPorts(*source.current(), PointInTime{0}).ports.size() != 2) {
    state.SkipWithError("the laptop tree does not scan as two ports");
    return;
  }
  for (auto _ : state) {
    Snapshot snapshot = scanPorts(*source.current(), PointInTime{0});
    benchmark::DoNotOptimize(snapshot);
  }
}
BENCHMARK(BM_SysfsLiveScanOfLaptop)->Unit(benchmark::kMicrosecond);

// What the agent pays now: one reading of the facts for the registry and
// the hints, then the scan.
void BM_SysfsLiveScanWithAdviceOfLaptop(benchmark::State& state) {
  test::FakeSysfs tree;
  buildLaptop(tree);
  SysfsRegistrySource source(tree.root());
  for (auto _ : state) {
    RegistryReading reading = source.reading();
    Snapshot snapshot = scanPorts(*reading.registry, PointInTime{0});
    benchmark::DoNotOptimize(snapshot);
    benchmark::DoNotOptimize(reading.advice);
  }
}
BENCHMARK(BM_SysfsLiveScanWithAdviceOfLaptop)->Unit(benchmark::kMicrosecond);

// The child's own CPU time per run, as the process accounting reports it.
void BM_LsusbTreeUnderUmockdev(benchmark::State& state) {
  test::FakeSysfs tree;
  buildLaptop(tree);
  test::FakeSysfs bed;
  std::filesystem::create_directory_symlink(tree.root(), bed.at("sys"));
  const std::string umockdevDir = "UMOCKDEV_DIR=" + bed.root();
  const std::string preload = "LD_PRELOAD=libumockdev-preload.so.0";
  std::vector<char*> env{const_cast<char*>(umockdevDir.c_str()), const_cast<char*>(preload.c_str()),
                         nullptr};
  char* argv[] = {const_cast<char*>("lsusb"), const_cast<char*>("-t"), nullptr};
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  for (auto _ : state) {
    pid_t pid = 0;
    if (posix_spawnp(&pid, "lsusb", &actions, nullptr, argv, env.data()) != 0) {
      state.SkipWithError("lsusb cannot be started (package usbutils)");
      break;
    }
    int status = 0;
    struct rusage usage {};
    if (::wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
      state.SkipWithError("lsusb -t failed under the umockdev preload (package umockdev)");
      break;
    }
    const double seconds = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    state.SetIterationTime(seconds);
  }
  posix_spawn_file_actions_destroy(&actions);
}
BENCHMARK(BM_LsusbTreeUnderUmockdev)->UseManualTime()->Unit(benchmark::kMicrosecond)->Iterations(200);

}  // namespace
}  // namespace plugscope

BENCHMARK_MAIN();
