#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "sysfs_rules/sysfs_names.h"

// What the kernel's sysfs tells about the machine's USB-C ports, USB
// devices, Thunderbolt routers and power supplies, as plain values: the
// attribute texts as read, with no meaning given to them yet. The Linux
// layer fills it (each file read at most once, no decision taken while
// reading); the rules turn it into the registry, and the hint rules
// (src/advice) into advice.
//
// Every attribute is a SysfsText: the file's text with surrounding white
// space removed and invalid UTF-8 replaced, or none when the file is
// missing, not a regular file, unreadable or over the size cap. Links are
// their target text as stored, unresolved. Nothing here is identifying:
// serial numbers and unique ids are never read.
namespace plugscope {

using SysfsText = std::optional<std::string>;

// One group "modeK/" of an alternate mode; older kernels kept "active" only here.
struct ModeGroupFacts {
  std::string name;  // "mode1"
  SysfsText active;  // "yes" / "no"
  friend bool operator==(const ModeGroupFacts&, const ModeGroupFacts&) = default;
};

// An alternate mode "<owner>.<index>" of a port, partner or cable plug.
// On a port, "active" means enabled; on a partner or plug, entered.
struct AltModeFacts {
  std::string name;  // "port0-partner.1"
  SysfsText svid;    // "ff01", "8087", lower-case hex
  SysfsText vdo;     // "0x00001c46"
  SysfsText active;  // "yes" / "no"
  std::vector<ModeGroupFacts> groups;  // in name order
  friend bool operator==(const AltModeFacts&, const AltModeFacts&) = default;
};

// The Discover Identity answer of a partner or cable ("identity/"); every
// value "0x%08x", all zero until discovery completes.
struct IdentityFacts {
  SysfsText idHeader;
  SysfsText product;
  SysfsText productTypeVdo1;
  SysfsText productTypeVdo2;
  SysfsText productTypeVdo3;
  friend bool operator==(const IdentityFacts&, const IdentityFacts&) = default;
};

// One power data object "<position>:<kind>" ("1:fixed_supply",
// "4:programmable_supply", "5:spr_adjustable_voltage_supply") with every
// attribute of it that was read, by the kernel's name: "voltage" →
// "5000mV", "maximum_current" → "3000mA", "operational_current",
// "maximum_voltage", "minimum_voltage", "maximum_power", ...
struct PdObjectFacts {
  std::string name;
  std::map<std::string, std::string> values;
  friend bool operator==(const PdObjectFacts&, const PdObjectFacts&) = default;
};

// A USB Power Delivery object set "pdN" (or the directory behind a
// "usb_power_delivery" link). A capabilities list is none when its
// directory is missing and empty when it lists no object.
struct PowerDeliveryFacts {
  std::string name;  // "pd3"; "usb_power_delivery" when read through the link
  SysfsText revision;
  std::optional<std::vector<PdObjectFacts>> sourceCapabilities;  // in name order
  std::optional<std::vector<PdObjectFacts>> sinkCapabilities;
  friend bool operator==(const PowerDeliveryFacts&, const PowerDeliveryFacts&) = default;
};

// The power delivery objects of a port or partner: its "pdN" children in
// order of N, then, when its "usb_power_delivery" link leads anywhere but
// to one of those children, the directory behind the link (named
// "usb_power_delivery"). `link` is that link's target text.
inline constexpr std::string_view kUsbPowerDeliveryLink = "usb_power_delivery";
struct PowerDeliveryLinks {
  std::optional<std::string> link;
  std::vector<PowerDeliveryFacts> sets;
  friend bool operator==(const PowerDeliveryLinks&, const PowerDeliveryLinks&) = default;
};

// What is attached: "portN-partner", present only while something is.
struct PartnerFacts {
  SysfsText type;  // "power_brick", "hub", "peripheral", "host", ...
  SysfsText usbPowerDeliveryRevision;
  SysfsText usbMode;  // "usb2 [usb3]"
  IdentityFacts identity;
  std::vector<AltModeFacts> altModes;       // "portN-partner.M", in name order
  std::vector<sysfs::UsbDeviceName> usbDevices;  // its links to enumerated USB devices ("2-1")
  PowerDeliveryLinks powerDelivery;
  friend bool operator==(const PartnerFacts&, const PartnerFacts&) = default;
};

// A cable plug "portN-plugK" and its alternate modes.
struct PlugFacts {
  std::string name;  // "port0-plug0"
  std::vector<AltModeFacts> altModes;
  friend bool operator==(const PlugFacts&, const PlugFacts&) = default;
};

// "portN-cable", present when the port's driver knows a cable.
struct CableFacts {
  SysfsText type;       // "passive" / "active"
  SysfsText plugType;   // "type-c", "captive", ...
  SysfsText usbPowerDeliveryRevision;
  IdentityFacts identity;
  std::vector<PlugFacts> plugs;  // plug0, then plug1, those that exist
  friend bool operator==(const CableFacts&, const CableFacts&) = default;
};

// A "usb4_portM" link of a connector: its target text and the USB4 port's
// "link" ("usb4", "tbt", "none").
struct Usb4PortLinkFacts {
  std::int64_t adapter = 0;  // M
  std::optional<std::string> target;
  SysfsText link;
  friend bool operator==(const Usb4PortLinkFacts&, const Usb4PortLinkFacts&) = default;
};

// The connector's "physical_location/" group (ACPI _PLD), where present.
struct PhysicalLocationFacts {
  SysfsText panel;               // "left", "right", "back", ...
  SysfsText verticalPosition;    // "upper", "center", "lower"
  SysfsText horizontalPosition;  // "left", "center", "right"
  SysfsText dock;                // "yes" / "no"
  SysfsText lid;
  friend bool operator==(const PhysicalLocationFacts&, const PhysicalLocationFacts&) = default;
};

// One Type-C connector "portN".
struct ConnectorFacts {
  std::int64_t index = 0;  // N
  SysfsText powerRole;     // "source [sink]"
  SysfsText dataRole;      // "[host] device"
  SysfsText powerOperationMode;
  SysfsText usbPowerDeliveryRevision;
  SysfsText usbCapability;  // "usb2 usb3 [usb4]"
  std::vector<AltModeFacts> altModes;     // the port's own "portN.M"
  std::vector<sysfs::UsbPortRef> usbPorts;  // its links to USB ports ("usb2-port1")
  std::vector<Usb4PortLinkFacts> usb4Ports;  // in name order
  std::optional<PhysicalLocationFacts> physicalLocation;
  PowerDeliveryLinks powerDelivery;  // the port's own capabilities
  std::optional<PartnerFacts> partner;
  std::optional<CableFacts> cable;
  friend bool operator==(const ConnectorFacts&, const ConnectorFacts&) = default;
};

// One USB device from bus/usb/devices (interfaces and port devices are not
// devices); a root hub "usbB" has an empty path.
struct UsbDeviceFacts {
  sysfs::UsbDeviceName name;
  SysfsText product;
  SysfsText speed;      // "480", "5000", "unknown"
  SysfsText version;    // "2.00"
  SysfsText maxPower;   // bMaxPower: "500mA"
  // "bos_descriptors" byte for byte, up to 64 KiB: binary, never trimmed.
  std::optional<std::string> bosDescriptors;
  // The USB port the device sits on ("port/"): the target texts of its
  // "peer" link (the other speed half of the same socket) and its
  // "connector" link (the Type-C connector).
  std::optional<std::string> portPeer;
  std::optional<std::string> portConnector;
  friend bool operator==(const UsbDeviceFacts&, const UsbDeviceFacts&) = default;
};

// A Thunderbolt router "D-<route>" from bus/thunderbolt/devices.
struct RouterFacts {
  sysfs::RouterName name;
  SysfsText deviceName;
  SysfsText vendorName;
  SysfsText generation;
  SysfsText rxSpeed;  // per lane, "20.0 Gb/s"
  SysfsText rxLanes;
  SysfsText txSpeed;
  SysfsText txLanes;
  friend bool operator==(const RouterFacts&, const RouterFacts&) = default;
};

// One entry of class/power_supply. Units as the kernel's: µV, µA.
struct PowerSupplyFacts {
  std::string name;
  SysfsText type;     // "Mains", "USB", "Battery", "USB_PD", ...
  SysfsText usbType;  // "C [PD] PD_PPS"
  SysfsText online;   // "0", "1", "2"
  SysfsText scope;
  SysfsText voltageMax;
  SysfsText currentMax;
  SysfsText chargeType;  // "Trickle", "Standard", ...
  SysfsText status;      // "Charging", "Discharging", ...
  SysfsText capacity;
  SysfsText chargeControlEndThreshold;
  friend bool operator==(const PowerSupplyFacts&, const PowerSupplyFacts&) = default;
};

// The whole machine as sysfs shows it. Connectors come in order of N (at
// most 64); devices, routers and supplies in the order their directories
// list them (bytewise by name). Facts from hostile or half-written trees
// can hold anything; the rules accept every value.
struct SysfsFacts {
  std::vector<ConnectorFacts> connectors;
  std::vector<UsbDeviceFacts> usbDevices;
  std::vector<RouterFacts> routers;
  std::vector<PowerSupplyFacts> powerSupplies;
  friend bool operator==(const SysfsFacts&, const SysfsFacts&) = default;
};

}  // namespace plugscope
