#pragma once

// Builds small sysfs trees in a temporary directory, shaped as the kernel
// lays them out: devices under devices/, class and bus entries as relative
// links to them. Shared by the sysfs tests and the sysfs benchmark.
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <stdexcept>
#include <string>

#include "temporary_directory.h"

namespace plugscope::test {

class FakeSysfs {
 public:
  FakeSysfs() : root_(makeTemporaryDirectory("plugscope-sysfs")) {
    if (root_.empty()) throw std::runtime_error("mkdtemp failed");
  }
  ~FakeSysfs() {
    std::error_code ec;
    std::filesystem::remove_all(root_, ec);
  }
  FakeSysfs(const FakeSysfs&) = delete;
  FakeSysfs& operator=(const FakeSysfs&) = delete;

  std::string root() const { return root_.string(); }
  std::filesystem::path at(const std::string& path) const { return root_ / path; }

  void file(const std::string& path, const std::string& content) {
    std::filesystem::create_directories(at(path).parent_path());
    std::ofstream(at(path), std::ios::binary) << content;
  }
  void directory(const std::string& path) { std::filesystem::create_directories(at(path)); }
  // A relative link at `path` to `target`, both given from the root.
  void link(const std::string& path, const std::string& target) {
    std::filesystem::create_directories(at(path).parent_path());
    const auto from = std::filesystem::path(path).parent_path();
    std::filesystem::create_symlink(std::filesystem::path(target).lexically_relative(from), at(path));
  }
  // Attribute files with the kernel's trailing newline.
  void attributes(const std::string& dir, const std::map<std::string, std::string>& values) {
    directory(dir);
    for (const auto& [name, value] : values) file(dir + "/" + name, value + "\n");
  }

  // Type-C connector portN under a UCSI device, listed in class/typec.
  std::string typecPort(int n, const std::string& powerRole) {
    const std::string dir = "devices/platform/USBC000:00/typec/port" + std::to_string(n);
    attributes(dir, {{"power_role", powerRole}, {"data_role", "[host] device"},
                     {"power_operation_mode", "usb_power_delivery"}});
    link("class/typec/port" + std::to_string(n), dir);
    return dir;
  }
  std::string partner(const std::string& port, const std::string& type) {
    const std::string dir = port + "/" + leaf(port) + "-partner";
    attributes(dir, {{"type", type}, {"supports_usb_power_delivery", "yes"}});
    return dir;
  }
  std::string cable(const std::string& port, const std::string& type, const std::string& idHeader,
                    const std::string& vdo2 = "0x00000000") {
    const std::string dir = port + "/" + leaf(port) + "-cable";
    attributes(dir, {{"type", type}, {"plug_type", "type-c"}});
    attributes(dir + "/identity", {{"id_header", idHeader}, {"product_type_vdo2", vdo2}});
    return dir;
  }
  // An alternate mode "<owner>.<index>" below a partner or a plug.
  void altMode(const std::string& owner, int index, const std::string& svid,
               const std::string& active, const std::string& vdo = "0x00000000") {
    attributes(owner + "/" + leaf(owner) + "." + std::to_string(index),
               {{"svid", svid}, {"active", active}, {"vdo", vdo}, {"mode", "1"}});
  }

  // A USB device by its kernel name ("usb3", "3-1.2"), nested below its
  // hubs; an empty product leaves the product file out.
  std::string usbDevice(const std::string& name, const std::string& speed,
                        const std::string& product, const std::string& maxPower) {
    const std::string dir = usbPath(name);
    attributes(dir, {{"speed", speed}, {"bMaxPower", maxPower}, {"bDeviceClass", "00"}});
    if (!product.empty()) file(dir + "/product", product + "\n");
    link("bus/usb/devices/" + name, dir);
    return dir;
  }
  // The Type-C port's link to a USB port device such as "usb3-port2".
  void usbPortLink(const std::string& port, const std::string& usbPort) {
    const std::string hub = usbPort.substr(0, usbPort.rfind("-port"));
    const std::string hubDir = usbPath(hub);
    const std::string interface = hub.rfind("usb", 0) == 0 ? hub.substr(3) + "-0:1.0" : hub + ":1.0";
    link(port + "/" + usbPort, hubDir + "/" + interface + "/" + usbPort);
  }
  // The host router's USB4 port M of domain D, linked from the Type-C port.
  void usb4Port(const std::string& port, int domain, int adapter, const std::string& linkMode) {
    const std::string d = std::to_string(domain);
    const std::string dir = "devices/pci0000:00/0000:00:0d.2/domain" + d + "/" + d + "-0/usb4_port" +
                            std::to_string(adapter);
    directory(dir);
    if (!linkMode.empty()) file(dir + "/link", linkMode + "\n");
    link(port + "/usb4_port" + std::to_string(adapter), dir);
  }
  void router(const std::string& name, const std::map<std::string, std::string>& values) {
    // Routers nest below the host router of their domain, as in the kernel.
    const std::string domain = name.substr(0, name.find('-'));
    std::string dir = "devices/pci0000:00/0000:00:0d.2/domain" + domain + "/" + domain + "-0";
    if (name != domain + "-0") dir += "/" + name;
    attributes(dir, values);
    link("bus/thunderbolt/devices/" + name, dir);
  }
  void powerSupply(const std::string& name, const std::map<std::string, std::string>& values) {
    const std::string dir = "devices/platform/USBC000:00/power_supply/" + name;
    attributes(dir, values);
    link("class/power_supply/" + name, dir);
  }
  // The partner's advertised source capabilities, as pdN below the partner.
  void sourceCapability(const std::string& partner, const std::string& pdo,
                        const std::map<std::string, std::string>& values) {
    if (!std::filesystem::exists(at(partner + "/pd0"))) link(partner + "/usb_power_delivery", partner + "/pd0");
    attributes(partner + "/pd0/source-capabilities/" + pdo, values);
  }

 private:
  static std::string leaf(const std::string& path) { return path.substr(path.rfind('/') + 1); }

  static std::string usbPath(const std::string& name) {
    std::string path = "devices/pci0000:00/0000:00:14.0";
    if (name.rfind("usb", 0) == 0) return path + "/" + name;
    const std::string bus = name.substr(0, name.find('-'));
    path += "/usb";
    path += bus;
    for (std::size_t dot = name.find('.'); ; dot = name.find('.', dot + 1)) {
      path += '/';
      path += name.substr(0, dot);
      if (dot == std::string::npos) break;
    }
    return path;
  }

  std::filesystem::path root_;
};

}  // namespace plugscope::test
