#include "metrics/openmetrics.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <set>
#include <utility>

#include "metrics/label_value.h"
#include "shared/json_text.h"

namespace plugscope {
namespace {

struct Sample {
  std::string labels;  // written between the braces; empty for none
  std::string value;
};

// Families are written whole, one after the other: OpenMetrics forbids
// interleaving their samples.
void appendFamily(std::string& out, std::string_view name, std::string_view help,
                  const std::vector<Sample>& samples) {
  if (samples.empty()) return;
  out.append("# HELP ").append(name).append(" ").append(help).append("\n");
  out.append("# TYPE ").append(name).append(" gauge\n");
  for (const Sample& sample : samples) {
    out.append(name);
    if (!sample.labels.empty()) out.append("{").append(sample.labels).append("}");
    out.append(" ").append(sample.value).append("\n");
  }
}

std::string integerText(std::int64_t value) {
  std::string text;
  appendJsonInteger(text, value);
  return text;
}

std::string flag(bool value) { return value ? "1" : "0"; }

// Shortest digits that read back as the same double; none for NaN and
// infinities.
std::optional<std::string> numberText(double value) {
  std::string text;
  if (!appendJsonNumber(text, value)) return std::nullopt;
  return text;
}

std::string withLabel(std::string labels, std::string_view name, std::string_view value) {
  labels.append(",").append(name).append("=");
  appendLabelValue(labels, value);
  return labels;
}

struct WrittenPort {
  const PortStatus* port;
  std::string labels;  // port="N",id="..."
};

// Decimal exponents of the units a speed text may use.
struct SpeedUnit {
  std::string_view name;
  int exponent;
};
constexpr SpeedUnit kSpeedUnits[] = {
    {"b/s", 0}, {"bps", 0},  {"kb/s", 3}, {"kbps", 3}, {"Kbps", 3},
    {"Mb/s", 6}, {"Mbps", 6}, {"Gb/s", 9}, {"Gbps", 9},
};

// Digits with at most one decimal point among them, starting with a digit.
bool isDecimal(std::string_view word) {
  if (word.empty() || word.front() < '0' || word.front() > '9') return false;
  bool point = false;
  for (char c : word) {
    if (c == '.' && !point) {
      point = true;
    } else if (c < '0' || c > '9') {
      return false;
    }
  }
  return word.back() != '.';
}

std::vector<std::string_view> words(std::string_view text) {
  std::vector<std::string_view> result;
  for (std::size_t start = 0; start < text.size();) {
    const std::size_t end = std::min(text.find(' ', start), text.size());
    if (end > start) result.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return result;
}

}  // namespace

std::optional<double> linkSpeedBytesPerSecond(std::string_view speed) {
  const std::vector<std::string_view> all = words(speed);
  for (std::size_t i = 0; i + 1 < all.size(); ++i) {
    if (!isDecimal(all[i])) continue;
    for (const SpeedUnit& unit : kSpeedUnits) {
      if (all[i + 1] != unit.name) continue;
      // Scaled in the decimal text, so that 8.1 Gb/s is exactly 8.1e9 bits
      // and not 8.1 × 1e9 rounded twice; halving three times is exact.
      const std::string scaled = std::string(all[i]) + "e" + std::to_string(unit.exponent);
      double bits = 0;
      const auto [end, ec] = std::from_chars(scaled.data(), scaled.data() + scaled.size(), bits);
      if (ec != std::errc{} || end != scaled.data() + scaled.size()) return std::nullopt;
      if (!std::isfinite(bits) || bits <= 0) return std::nullopt;
      return bits / 8;
    }
    return std::nullopt;
  }
  return std::nullopt;
}

std::optional<std::string> encodeOpenMetrics(const Snapshot& snapshot,
                                             const std::vector<PortHint>& hints) {
  std::vector<WrittenPort> ports;
  std::set<std::pair<std::int64_t, std::string>> seen;
  for (const PortStatus& port : snapshot.ports) {
    // Keyed by the label values as written: two ids that differ only past
    // the cut, or in bytes that are replaced, would still be one series.
    if (!seen.emplace(port.number, labelValue(port.id)).second) continue;
    std::string labels = "port=\"" + integerText(port.number) + "\"";
    ports.push_back({&port, withLabel(std::move(labels), "id", port.id)});
  }

  std::vector<Sample> info, connected, powerIn, speed, protocol, cable, busPower, hint;
  for (const WrittenPort& written : ports) {
    const PortStatus& port = *written.port;
    const std::string& labels = written.labels;
    info.push_back({port.device ? withLabel(labels, "device", *port.device) : labels, "1"});
    connected.push_back({labels, flag(port.connected)});
    powerIn.push_back({labels, flag(port.powerIn)});
    if (port.speed) {
      if (auto bytes = linkSpeedBytesPerSecond(*port.speed)) {
        speed.push_back({labels, *numberText(*bytes)});
      }
    }
    std::set<std::string> protocols;
    for (const std::string& name : port.protocols) {
      if (protocols.insert(labelValue(name)).second) {
        protocol.push_back({withLabel(labels, "protocol", name), "1"});
      }
    }
    cable.push_back({withLabel(labels, "kind", "smart"), flag(port.smartCable)});
    cable.push_back({withLabel(labels, "kind", "active"), flag(port.activeCable)});
    cable.push_back({withLabel(labels, "kind", "optical"), flag(port.opticalCable)});
    if (port.usbPowerWatts) {
      auto watts = numberText(*port.usbPowerWatts);
      if (!watts) return std::nullopt;
      busPower.push_back({labels, *watts});
    }
  }

  std::set<std::pair<std::size_t, std::string>> hinted;
  for (const PortHint& entry : hints) {
    for (std::size_t i = 0; i < ports.size(); ++i) {
      if (ports[i].port->number != entry.port) continue;
      if (hinted.emplace(i, labelValue(entry.hint)).second) {
        hint.push_back({withLabel(ports[i].labels, "hint", entry.hint), "1"});
      }
      break;
    }
  }

  std::vector<Sample> charger;
  if (snapshot.chargerWatts) charger.push_back({"", integerText(*snapshot.chargerWatts)});
  auto taken = numberText(snapshot.taken.seconds + kUnixTimeOfReference);
  if (!taken) return std::nullopt;

  std::string out;
  appendFamily(out, "plugscope_port_info",
               "A USB-C port; device names what is attached, when that is known.", info);
  appendFamily(out, "plugscope_port_connected", "1 while something is plugged into the port.",
               connected);
  appendFamily(out, "plugscope_port_power_in", "1 while the port charges this machine.", powerIn);
  appendFamily(out, "plugscope_port_link_speed_bytes_per_second",
               "Speed of the port's fastest active link, in bytes per second.", speed);
  appendFamily(out, "plugscope_port_protocol", "1 for each protocol the port's link carries.",
               protocol);
  appendFamily(out, "plugscope_port_cable",
               "1 when the port's cable is of this kind (smart, active, optical), else 0.", cable);
  appendFamily(out, "plugscope_port_bus_power_watts",
               "USB bus power given to the attached device, in watts.", busPower);
  appendFamily(out, "plugscope_port_hint", "1 for each hint about what limits the port.", hint);
  appendFamily(out, "plugscope_charger_watts", "The connected charger's rating in watts.", charger);
  appendFamily(out, "plugscope_snapshot_taken_timestamp_seconds",
               "When the scan started, in seconds since 1970-01-01 00:00:00 UTC.",
               {{"", *taken}});
  out.append("# EOF\n");
  return out;
}

}  // namespace plugscope
