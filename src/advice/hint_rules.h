#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "shared/advice.h"
#include "sysfs_rules/sysfs_facts.h"

// Why a port is slower, shows no picture or charges less than it could:
// one named rule per hint, each a pure function of the facts and one
// connector (an index into SysfsFacts::connectors). A rule gives a hint
// only when every input it reads is there and readable; a missing input
// gives no hint, never a guess. Identity VDOs are read at the kernel's bit
// positions (pd_identity.h); the cable and mode rules (1 to 4) follow
// ChromeOS typecd's mode-entry checks and, like them, speak only for a
// port in the data host role.
namespace plugscope::advice {

// The hint ids, in the order entries of one port are listed.
inline constexpr std::string_view kCableLimitsSpeed = "cable-limits-speed";
inline constexpr std::string_view kCableNoVideo = "cable-no-video";
inline constexpr std::string_view kCableLimitsUsb4 = "cable-limits-usb4";
inline constexpr std::string_view kPortLacksMode = "port-lacks-mode";
inline constexpr std::string_view kDeviceBelowItsSpeed = "device-below-its-speed";
inline constexpr std::string_view kChargerTooWeak = "charger-too-weak";
inline constexpr std::string_view kChargingSlowly = "charging-slowly";
inline constexpr std::string_view kCableCapsCharging = "cable-caps-charging";
inline constexpr std::string_view kLoadExceedsCharger = "load-exceeds-charger";

// A rule's verdict: no hint, or the hint's id and values (no text yet).
using Hint = std::optional<AdviceEntry>;

// 1. The partner can go faster than the cable allows. The partner's speed
// is its UFP VDO's, trusted by its PD revision as typecd trusts it (2.0:
// an alternate-mode adapter; 3.0: hub, peripheral or adapter; 3.1 and
// later: hub or peripheral; unknown: never), or Thunderbolt 3's 40 Gb/s
// when only the Thunderbolt checks pass. The cable's speed is its VDO1's,
// or 40 Gb/s for a Thunderbolt 3 cable mode of 10/20 Gb/s (an active cable's
// only when rounded). Never for a captive cable, a billboard-only adapter,
// a cable neither passive nor active, or in Thunderbolt 3 mode when the
// cable has a Thunderbolt mode. Values cableMbps, deviceMbps.
Hint cableLimitsSpeed(const SysfsFacts& facts, std::size_t connector);

// 2. The partner takes DisplayPort through a receptacle, has not entered
// the mode, and the cable cannot carry it: a USB 2-only passive cable, or
// an active cable that is not modal or whose plugs offer no DisplayPort
// mode. No values.
Hint cableNoVideo(const SysfsFacts& facts, std::size_t connector);

// 3. Port and partner can do USB4 (or Thunderbolt) and the cable cannot,
// by typecd's USB4 and Thunderbolt cable checks; or the port's USB4 link
// reads "tbt" or "none" while both ends could do USB4. Value mode:
// "thunderbolt3" when only the Thunderbolt checks pass (or the link reads
// "tbt"), else "usb3" or "usb2" by the cable's speed (or, without a known
// cable, by the USB link the port runs).
Hint cableLimitsUsb4(const SysfsFacts& facts, std::size_t connector);

// 4. The partner wants DisplayPort, USB4 or Thunderbolt, this port offers
// no such mode and another port does. Values mode ("displayport", "usb4",
// "thunderbolt", the first that applies, in that order) and otherPort (the
// first such port's number).
Hint portLacksMode(const SysfsFacts& facts, std::size_t connector);

// 5. A USB device on this port runs below the best speed its BOS
// descriptor declares; the first such device in bus order. A device whose
// port's SuperSpeed peer holds a device (the USB 2 half of a USB 3 hub) is
// not slow. Blame: "cable" when the cable is known to be USB 2-only,
// "port" when the device's USB port has no peer or the peer's root hub is
// slower than the device's best, else "cable-or-port". Values device (its
// name as the row shows it), nowMbps, bestMbps, blame.
Hint deviceBelowItsSpeed(const SysfsFacts& facts, std::size_t connector);

// 6. On a port taking power, the charger's best source object is below the
// port's best sink object, in whole watts. Values offerWatts, needWatts.
Hint chargerTooWeak(const SysfsFacts& facts, std::size_t connector);

// 7. On the first port taking power: an online USB-type supply whose
// "charge_type" reads "Trickle" (reason "firmware"), or whose plausible
// voltage_max × current_max is under 20 W (reason "rating", value watts).
Hint chargingSlowly(const SysfsFacts& facts, std::size_t connector);

// 8. On a port taking power: the charger offers more than 3 A at 20 V, the
// port asks for more than 60 W, and the cable is rated 3 A or has no
// e-marker (its identity header reads zero); no cable device is a missing
// input. Values offerWatts, needWatts.
Hint cableCapsCharging(const SysfsFacts& facts, std::size_t connector);

// 9. On the first port taking power: a counted USB charger is online and
// a system battery reads "Discharging" below its charge_control_end_threshold
// (where it has one). No values.
Hint loadExceedsCharger(const SysfsFacts& facts, std::size_t connector);

// The English sentence of a hint (its "text"): the hint's template with
// each value in place, speeds as adviceSpeedText, words as they are.
std::string englishText(const AdviceEntry& entry);

// Every hint the facts give: for each connector in order (which is the
// snapshot's port order), the rules above in order, each entry with its
// English text.
std::vector<AdviceEntry> adviceFromFacts(const SysfsFacts& facts);

}  // namespace plugscope::advice
