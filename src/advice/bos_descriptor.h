#pragma once

#include <optional>
#include <string_view>

namespace plugscope::advice {

// The best link speed a USB device declares in its Binary Object Store
// ("bos_descriptors", the raw bytes), in megabits per second: the fastest
// of its SuperSpeed capability's supported speeds (5 Gb/s, 480, 12, 1.5
// Mb/s) and its SuperSpeedPlus capability's sublink speeds (one lane each,
// so a two-lane device counts as one lane). None when the bytes hold no
// speed capability. Malformed bytes end the walk where they start; what
// was read before counts.
std::optional<double> bosBestMegabits(std::string_view bytes);

}  // namespace plugscope::advice
