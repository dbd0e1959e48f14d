#include "widget/port_row.h"

#include <charconv>
#include <vector>

namespace plugscope {
namespace {

std::string join(const std::vector<std::string>& parts, const std::string& separator) {
  std::string out;
  for (std::size_t i = 0; i < parts.size(); ++i) {
    if (i > 0) out += separator;
    out += parts[i];
  }
  return out;
}

}  // namespace

std::string titleText(const PortStatus& port) { return "USB-C " + std::to_string(port.number); }

std::string stateText(const PortStatus& port) {
  if (!port.connected) return "Nothing plugged in";
  return port.device.value_or("Connected");
}

TextContent chargingText(std::int64_t chargerWatts) {
  return TextContent::key("Charging the Mac \u00b7 %lld W", chargerWatts);
}

std::optional<std::string> cableDescription(const PortStatus& port) {
  if (!port.connected) return std::nullopt;
  std::vector<std::string> kinds;
  if (port.smartCable) kinds.emplace_back("Smart cable");
  if (port.activeCable) kinds.emplace_back("Active");
  if (port.opticalCable) kinds.emplace_back("Optical");
  if (kinds.empty()) return std::nullopt;
  return join(kinds, kListSeparator);
}

std::string formatWatts(double watts) {
  // to_chars never consults the locale; with a precision it rounds the exact
  // value as printf's "%.1f" does, and writes nan/inf as printf does.
  char buffer[400];
  const auto result =
      std::to_chars(buffer, buffer + sizeof buffer, watts, std::chars_format::fixed, 1);
  return std::string(buffer, result.ptr) + " W";
}

std::string detailText(const PortStatus& port) {
  std::vector<std::string> parts;
  parts.push_back(join(port.protocols, ", "));
  if (auto cable = cableDescription(port)) parts.push_back(*cable);
  if (port.usbPowerWatts) parts.push_back(formatWatts(*port.usbPowerWatts));
  std::erase_if(parts, [](const std::string& part) { return part.empty(); });
  return join(parts, kListSeparator);
}

bool showsSpeedBadge(const PortStatus& port) { return port.speed.has_value(); }

bool showsChargingLine(const PortStatus& port, std::optional<std::int64_t> charger) {
  return port.powerIn && charger.has_value();
}

bool showsDetailLine(const PortStatus& port, bool compact) {
  return !compact && port.connected && !detailText(port).empty();
}

ViewNode portRow(const PortStatus& port, bool compact, std::optional<std::int64_t> charger) {
  ViewNode dot = port.connected ? circle().fill(ShapeStyle::green)
                                : circle().fill(ShapeStyle::secondary).opacity(0.35);
  dot = std::move(dot).frame(8, 8).padding(Edges::top, 5);

  std::vector<ViewNode> titleLine;
  titleLine.push_back(text(TextContent::verbatim(titleText(port)))
                          .font(TextStyle::subheadline)
                          .fontWeight(FontWeight::semibold));
  if (showsSpeedBadge(port)) {
    titleLine.push_back(
        text(TextContent::verbatim(*port.speed))
            .font(TextStyle::caption)
            .fontWeight(FontWeight::semibold)
            .monospacedDigit()
            .padding(Edges::horizontal, 5)
            .padding(Edges::vertical, 1)
            .background(capsule(CornerStyle::continuous).fill(ShapeStyle::quaternary)));
  }

  std::vector<ViewNode> lines;
  lines.push_back(hStack(Alignment::center, 6, std::move(titleLine)));
  lines.push_back(text(TextContent::verbatim(stateText(port)))
                      .font(TextStyle::caption)
                      .foregroundStyle(ShapeStyle::secondary)
                      .lineLimit(1));
  if (showsChargingLine(port, charger)) {
    lines.push_back(label(chargingText(*charger), kBoltSymbol)
                        .font(TextStyle::caption2)
                        .foregroundStyle(ShapeStyle::green)
                        .lineLimit(1));
  }
  if (showsDetailLine(port, compact)) {
    lines.push_back(text(TextContent::verbatim(detailText(port)))
                        .font(TextStyle::caption2)
                        .foregroundStyle(ShapeStyle::tertiary)
                        .lineLimit(1));
  }

  std::vector<ViewNode> row;
  row.push_back(std::move(dot));
  row.push_back(vStack(Alignment::leading, 1, std::move(lines)));
  return hStack(Alignment::top, 8, std::move(row)).id(port.id);
}

}  // namespace plugscope
