#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// Pure readings of sysfs attribute texts. No function here touches the
// file system; each takes any bytes and gives none for text it does not
// recognise, so that a fuzzer can drive them directly.
namespace plugscope::sysfs {

// The text without surrounding white space (kernel values end in "\n";
// some, such as a USB "version", begin with a space).
std::string_view trimText(std::string_view text);

// The text with every byte that is not part of well-formed UTF-8 replaced
// by U+FFFD, so that names from devices are always valid text.
std::string validUtf8(std::string_view text);

// The selected word of a choice list: "sink" from "source [sink]" and from
// "[sink]"; a list of one bare word selects that word. None when no word
// is selected or the brackets are malformed.
std::optional<std::string> selectedWord(std::string_view text);

// A non-negative decimal integer, optionally followed by `unit`:
// "5000mV" with unit "mV" gives 5000, as does "5000". None for anything
// else ("", "mV", "5 mV", "-5mV", "5000mA" with unit "mV").
std::optional<std::int64_t> integerWithUnit(std::string_view text, std::string_view unit);

// A hexadecimal word as the kernel prints it ("0x%08x" or "%04x"): an
// optional "0x" and 1 to 8 hex digits. None for anything else.
std::optional<std::uint32_t> hexWord(std::string_view text);

// A Thunderbolt lane speed such as "20.0 Gb/s": the number of gigabits per
// second, which must be finite and positive.
std::optional<double> gigabitsPerSecond(std::string_view text);

// A short human rate text from megabits per second: "1.5 Mb/s",
// "480 Mb/s", "5 Gb/s", "40 Gb/s", "2.5 Gb/s".
std::string rateText(double megabits);

// Which half of a USB-C connector a USB device's link runs on.
enum class UsbLane { usb2, usb3 };

struct UsbLinkSpeed {
  UsbLane lane = UsbLane::usb2;
  double megabits = 0;
};

// A USB device's "speed" attribute: "1.5", "12" and "480" run on the USB 2
// lane; 5000 and above on the USB 3 lane. None for "unknown" and other text.
std::optional<UsbLinkSpeed> usbLinkSpeed(std::string_view speed);

// One power rating as a PD object or a power supply states it; any of the
// three may be missing.
struct PowerRating {
  std::optional<double> millivolts;
  std::optional<double> milliamperes;
  std::optional<double> milliwatts;  // stated, or else volts x amperes
};

// The rating's power in milliwatts, or none when it is no possible USB PD
// rating: a value of zero (or less), more than 48 V, more than 5 A or more
// than 240 W, or neither a power nor both volts and amperes. Firmware does
// report such values (39 V x 5.93 A for a 60 W adapter; zero-filled PDOs).
std::optional<double> plausibleMilliwatts(const PowerRating& rating);

// Whole watts from a power in milliwatts, rounded half away from zero;
// none when the power is not positive.
std::optional<std::int64_t> wattsFromMilliwatts(double milliwatts);

}  // namespace plugscope::sysfs
