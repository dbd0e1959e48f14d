#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "shared/point_in_time.h"

namespace plugscope {

// One value a hint carries: a whole number (speeds in Mb/s, watts, a port
// number) or a word ("usb3", "cable", a device's name).
struct AdviceValue {
  std::string name;  // "cableMbps"
  std::variant<std::int64_t, std::string> value;

  friend bool operator==(const AdviceValue&, const AdviceValue&) = default;
};

// One hint about one port: why it is slower, shows no picture or charges
// less than it could. `hint` is the hint's id ("cable-limits-speed"); its
// values are in the order the hint lists them; `text` is the English
// sentence for logs and scripts (hosts build their own, translated, from
// the id and the values).
struct AdviceEntry {
  std::int64_t port = 0;  // the port's number
  std::string hint;
  std::vector<AdviceValue> values;
  std::string text;

  friend bool operator==(const AdviceEntry&, const AdviceEntry&) = default;
};

// The hints of one reading of the machine, for the snapshot with the same
// `taken`: entries in the snapshot's port order, then in the order of the
// hints, at most one per (port, hint).
struct Advice {
  PointInTime taken;
  std::vector<AdviceEntry> entries;

  friend bool operator==(const Advice&, const Advice&) = default;
};

// The value named `name`, or null when the entry has none of that type.
const std::int64_t* adviceNumber(const AdviceEntry& entry, std::string_view name);
const std::string* adviceWord(const AdviceEntry& entry, std::string_view name);

// A speed in whole Mb/s as hints write it: "480 Mb/s" below 1000, else
// the shortest decimal of Gb/s, "10 Gb/s", "1.5 Gb/s".
std::string adviceSpeedText(std::int64_t megabits);

// `format` with every "{name}" naming one of the entry's values replaced
// by that value: a number in decimal, or as adviceSpeedText when its name
// ends in "Mbps"; a word as `word` gives it. Other text, other braces
// included, stays as it is, so that a translated format can never ask
// for a value that is not there.
std::string fillAdviceTemplate(
    std::string_view format, const AdviceEntry& entry,
    const std::function<std::string(std::string_view name, const std::string& word)>& word);

}  // namespace plugscope
