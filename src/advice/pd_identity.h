#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "sysfs_rules/sysfs_facts.h"

// The fields of the USB PD identity and mode VDOs that the hints read, at
// the bit positions the kernel's headers give them (include/linux/usb/
// pd_vdo.h, typec_tbt.h, typec_dp.h). Each function takes the raw word.
namespace plugscope::advice {

// A VDO as the kernel prints it ("0x%08x"); none when missing or unreadable.
std::optional<std::uint32_t> vdoWord(const SysfsText& text);

// ID header: product type (bits 29..27), modal operation (bit 26),
// connector type (bits 22..21).
enum ProductType : std::uint32_t {
  kHub = 1,            // UFP: PDUSB hub
  kPeripheral = 2,     // UFP: PDUSB peripheral
  kPassiveCable = 3,   // SOP': passive cable
  kActiveCable = 4,    // SOP': active cable
  kAlternateModeAdapter = 5,
};
std::uint32_t productType(std::uint32_t idHeader);
bool modal(std::uint32_t idHeader);
inline constexpr std::uint32_t kCaptiveConnector = 3;  // connector type and cable plug type
std::uint32_t connectorType(std::uint32_t idHeader);

// Cable VDO1 (passive or active): highest USB speed (bits 2..0), VBUS
// current (bits 6..5: 1 = 3 A, 2 = 5 A), plug type (bits 19..18), VDO
// version (bits 23..21: 3 = version 1.3).
std::uint32_t cableSpeed(std::uint32_t vdo1);
inline constexpr std::uint32_t kCableCurrent3A = 1;
std::uint32_t cableCurrent(std::uint32_t vdo1);
std::uint32_t cablePlugType(std::uint32_t vdo1);
inline constexpr std::uint32_t kCableVdoVersion13 = 3;
std::uint32_t cableVdoVersion(std::uint32_t vdo1);
// Active cable VDO2: bit 8 set means the cable does NOT carry USB4.
bool activeCableLacksUsb4(std::uint32_t vdo2);

// UFP VDO (a hub's or peripheral's product type VDO1): highest USB speed
// (bits 2..0) and device capability (bits 27..24; bit 27 = USB4).
std::uint32_t ufpSpeed(std::uint32_t ufpVdo);
bool ufpUsb4(std::uint32_t ufpVdo);
// An alternate-mode adapter on PD 2.0 or 3.0 with this speed is a billboard only.
inline constexpr std::uint32_t kAmaBillboardOnly = 3;

// The speed codes of cable and UFP VDOs (0 USB 2, 1 Gen1, 2 Gen2, 3 USB4
// Gen3, 4 USB4 Gen4) in whole Mb/s: 480, 5000, 10000, 40000, 80000; none
// for the reserved codes.
std::optional<std::int64_t> speedCodeMbps(std::uint32_t code);

// Thunderbolt 3 cable Discover Mode VDO (a plug's svid 8087 mode): TBT
// mode (bit 0), cable speed (bits 18..16: 3 = 10 and 20 Gb/s), rounded
// 3rd/4th generation support (bit 19).
bool thunderboltMode(std::uint32_t vdo);
inline constexpr std::uint32_t kThunderboltCable10And20Gbps = 3;
std::uint32_t thunderboltCableSpeed(std::uint32_t vdo);
bool thunderboltCableRounded(std::uint32_t vdo);

// DisplayPort mode VDO (svid ff01): the device takes a DisplayPort signal
// (UFP_D, bit 0); its plug is a receptacle, not a captive cable (bit 6).
bool displayPortSink(std::uint32_t vdo);
bool displayPortReceptacle(std::uint32_t vdo);

inline constexpr std::string_view kDisplayPortSvid = "ff01";
inline constexpr std::string_view kThunderboltSvid = "8087";

// A "usb_power_delivery_revision" ("2.0", "3.0", "3.1", "3.2"); "0.0" and
// anything else is unknown.
enum class PdRevision { unknown, pd20, pd30, pd31 };  // pd31: 3.1 and later
PdRevision pdRevision(const SysfsText& text);

}  // namespace plugscope::advice
