#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

#include "sysfs_rules/sysfs_facts.h"

// The decisions taken over sysfs facts, one named function each. All are
// pure and total: any facts, however odd, give an answer, and a fact that
// is missing or does not parse counts as not known (false, none).
namespace plugscope::sysfs {

// What a port shows of its cable.
struct CableKind {
  bool emarked = false;
  bool active = false;
  bool optical = false;
  friend bool operator==(const CableKind&, const CableKind&) = default;
};

// E-marked when the identity header is non-zero (zero: discovery has not
// completed). Active by the driver's "type" when it reads "active" or
// "passive", else by the header's product type (bits 29..27: 4 active,
// 3 passive). Optical only when active, by the active cable VDO2's bit 10
// or bit 21 of a plug's Thunderbolt mode (svid 8087) VDO. No cable: all false.
CableKind cableKind(const std::optional<CableFacts>& cable);

// A partner's or plug's mode counts as entered when its "active" reads
// "yes", or that of any of its "modeK/" groups does.
bool modeEntered(const AltModeFacts& mode);

// The partner's entered DisplayPort (svid ff01) and Thunderbolt (8087)
// modes; a dock may offer one svid in several modes, any entered one counts.
struct EnteredModes {
  bool displayPort = false;
  bool thunderbolt = false;
  friend bool operator==(const EnteredModes&, const EnteredModes&) = default;
};
EnteredModes enteredModes(const PartnerFacts& partner);

// The number users see on connector "portN": N + 1 (the kernel counts
// from 0, ports from 1).
std::int64_t portNumber(const ConnectorFacts& connector);

// The connector takes power: its power role selects "sink" and a partner
// is attached.
bool powerIn(const ConnectorFacts& connector);

// One source power data object's power in milliwatts, none when it is no
// plausible rating: fixed supplies voltage × maximum_current, variable and
// programmable ones maximum_voltage × maximum_current, batteries
// maximum_power (with maximum_voltage checked), adjustable-voltage ones
// 20 V × maximum_current_15V_to_20V; other kinds none. Implausible as
// plausibleMilliwatts says (zero, over 48 V, 5 A or 240 W).
std::optional<double> sourceObjectMilliwatts(const PdObjectFacts& object);

// The source objects a partner advertises: those of the set its
// "usb_power_delivery" link leads to, when that set has a source list;
// otherwise the first "pdN" set (in order of N) that has one. None when
// no set has a source list.
const std::vector<PdObjectFacts>* advertisedSourceObjects(const PartnerFacts& partner);

// The sink objects a port states for itself (what the machine asks of a
// charger), chosen among its sets as advertisedSourceObjects chooses.
const std::vector<PdObjectFacts>* portSinkObjects(const ConnectorFacts& connector);

// One sink power data object's power in milliwatts, none when it is no
// plausible rating: fixed supplies voltage × operational_current, variable
// ones maximum_voltage × operational_current, batteries operational_power,
// programmable ones maximum_voltage × maximum_current; other kinds none.
std::optional<double> sinkObjectMilliwatts(const PdObjectFacts& object);

// The charger a sink port takes power from, by the objects its partner
// advertises: of all connectors with powerIn whose partner advertises at
// least one source object, the one with the highest plausible object
// (on a tie, or with no plausible object at all, the lowest port number).
struct AdvertisedCharger {
  std::size_t connector = 0;  // index into SysfsFacts::connectors
  std::optional<double> milliwatts;  // its best plausible object
  friend bool operator==(const AdvertisedCharger&, const AdvertisedCharger&) = default;
};
std::optional<AdvertisedCharger> advertisedCharger(const SysfsFacts& facts);

// A supply is a USB charger by its type, whatever its name: "USB", and the
// kinds older ChromeOS kernels give their EC's chargers ("USB_C",
// "USB_PD", "USB_PD_DRP").
bool isUsbChargerType(std::string_view type);

// Whether USB charger supplies count at all. A Type-C controller's supply
// may read online for hours after its charger was pulled; where the
// machine has Type-C ports, a USB supply counts only while one of them
// takes power from a partner. Without any port nothing contradicts it.
bool usbSuppliesCount(const SysfsFacts& facts);

// What one supply tells: whether it is external power now (an online
// Mains supply, or an online USB charger while USB supplies count), and,
// for such a USB charger, its plausible rating voltage_max × current_max
// (µV × µA), never the present values, which UCSI firmware misreports.
struct SupplyReading {
  bool external = false;
  std::optional<double> milliwatts;
  friend bool operator==(const SupplyReading&, const SupplyReading&) = default;
};
SupplyReading supplyReading(const PowerSupplyFacts& supply, bool usbCounts);

// The machine's charger. External power is an advertised charger (a sink
// port takes power from it even where no supply lists it) or a supply
// that says so. The battery entry exists when class/power_supply lists
// anything or a charger is advertised. The watts, when external: the
// advertised charger's best plausible object, else the best plausible
// rating of the counted USB supplies, rounded to whole watts.
struct ChargerReading {
  bool batteryEntry = false;
  bool external = false;
  std::optional<std::int64_t> watts;
  friend bool operator==(const ChargerReading&, const ChargerReading&) = default;
};
ChargerReading chargerReading(const SysfsFacts& facts);

// The connector a USB device is plugged into (an index into the
// connectors): the first whose USB port links name the device's own port,
// else the first whose partner links to the device itself. A root hub, or
// a device that neither names, has none; a device is never guessed onto a port.
std::optional<std::size_t> connectorOfUsbDevice(const SysfsFacts& facts,
                                                const UsbDeviceName& device);

// The fastest link on each lane of each connector, from the devices
// plugged straight into it; megabits per second.
struct UsbLanes {
  std::optional<double> usb2Megabits;
  std::optional<double> usb3Megabits;
  friend bool operator==(const UsbLanes&, const UsbLanes&) = default;
};
std::vector<UsbLanes> usbLanes(const SysfsFacts& facts);

// The host router's USB4 port a connector links to: the first "usb4_portM"
// link whose target leads into a host router's directory; its domain and
// adapter M, and the USB4 port's "link" text.
struct Usb4Port {
  std::int64_t domain = 0;
  std::int64_t adapter = 0;
  SysfsText link;
  friend bool operator==(const Usb4Port&, const Usb4Port&) = default;
};
std::optional<Usb4Port> usb4Port(const ConnectorFacts& connector);

// The first connector whose USB4 port is (domain, adapter): the one a
// depth-1 router of that domain and route sits behind.
std::optional<std::size_t> connectorOnUsb4Port(const SysfsFacts& facts, std::int64_t domain,
                                               std::int64_t adapter);

// A router link's speed: per-lane speed × lanes (a missing or zero lane
// count is one lane), the faster of the two directions; none without a
// readable finite speed.
std::optional<double> routerMegabits(const RouterFacts& router);

// The connector's Thunderbolt/USB4 (CIO) link: active when the partner
// entered Thunderbolt mode, the USB4 port's link reads "usb4" or "tbt", or,
// on kernels without that attribute, a depth-1 router sits behind it. Its
// speed is that of the fastest such router, shown only while active.
struct CioLink {
  bool active = false;
  std::optional<double> megabits;
  friend bool operator==(const CioLink&, const CioLink&) = default;
};
CioLink cioLink(const SysfsFacts& facts, std::size_t connector);

// A USB device's bus current from "bMaxPower" ("500mA"), in mA.
std::optional<std::int64_t> busCurrentMilliamps(const UsbDeviceFacts& device);

}  // namespace plugscope::sysfs
