#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Pure readings of the kernel's device names. Each gives none for a name
// of another shape; numbers are bounded so that no name can overflow them.
namespace plugscope::sysfs {

// True when `name` is `prefix` followed by one or more decimal digits, as
// the kernel numbers what belongs to a device: alternate modes
// "port0-partner.3" (prefix "port0-partner."), power delivery sets "pd2",
// mode groups "mode1".
bool isIndexedName(std::string_view name, std::string_view prefix);

// The child a link names when its target stays in the link's own
// directory: "pd3" from "pd3", "./pd3" or "pd3/"; empty for a target
// anywhere else ("../../usb_power_delivery/pd3").
std::string_view linkedChildName(std::string_view linkTarget);

// A Type-C connector "portN": N. None for "port0-partner", "port0.1" and
// other names.
std::optional<std::int64_t> typecPortIndex(std::string_view name);

// A USB device: the root hub "usbB" has an empty path; "B-p.q.r" has the
// path {p, q, r} of port numbers from the root hub down.
struct UsbDeviceName {
  std::int64_t bus = 0;
  std::vector<std::int64_t> path;
  friend auto operator<=>(const UsbDeviceName&, const UsbDeviceName&) = default;
};

// Reads "usb3" or "3-1.4"; interfaces ("3-1:1.0") and port devices give none.
std::optional<UsbDeviceName> usbDeviceName(std::string_view name);

// The kernel's name of a USB device: "usb3", "3-1.4".
std::string usbDeviceText(const UsbDeviceName& device);

// A USB port device "<hub>-portN" ("usb2-port1", "2-1.4-port3"): the hub
// it belongs to and N. The link names under a Type-C port carry the bus
// number of the hub, not the USB generation.
struct UsbPortRef {
  UsbDeviceName hub;
  std::int64_t port = 0;
  friend auto operator<=>(const UsbPortRef&, const UsbPortRef&) = default;
};
std::optional<UsbPortRef> usbPortName(std::string_view name);

// A host router's USB4 port "usb4_portM": M, the adapter number that is
// also the first hop of the route to the router behind it.
std::optional<std::int64_t> usb4PortIndex(std::string_view name);

// A Thunderbolt router or XDomain peer "D-<route hex>": its domain, route
// and depth (the number of significant bytes of the route; 0 for the host
// router). Domains, retimers ("0-0:1.1") and services ("0-1.1") give none.
struct RouterName {
  std::int64_t domain = 0;
  std::uint64_t route = 0;
  std::int64_t depth = 0;
  friend bool operator==(const RouterName&, const RouterName&) = default;
};
std::optional<RouterName> routerName(std::string_view name);

// The domain of the host router that a "usb4_portM" link points into:
// the "D-0" directory that holds the USB4 port, as in
// "../../0000:00:0d.2/domain0/0-0/usb4_port1". None for other targets.
std::optional<std::int64_t> usb4PortDomain(std::string_view linkTarget);

}  // namespace plugscope::sysfs
