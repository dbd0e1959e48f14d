#include "agent/thunderbolt_report.h"

#include <nlohmann/json.hpp>
#include <vector>

#include "shared/integer_text.h"
#include "shared/json_nesting.h"

namespace plugscope {
namespace {

// Keeps the members in document order: the first object member carrying a
// receptacle id is chosen by that order.
using Json = nlohmann::ordered_json;

std::optional<std::string> stringMember(const Json& object, const char* key) {
  auto found = object.find(key);
  if (found == object.end() || !found->is_string()) return std::nullopt;
  return found->get<std::string>();
}

bool isArrayOfObjects(const Json& value) {
  if (!value.is_array()) return false;
  for (const Json& element : value) {
    if (!element.is_object()) return false;
  }
  return true;
}

const Json* receptacleObject(const Json& item) {
  for (const auto& member : item.items()) {
    if (member.value().is_object() && member.value().contains("receptacle_id_key")) {
      return &member.value();
    }
  }
  return nullptr;
}

const Json* deviceObject(const Json& item) {
  auto devices = item.find("_items");
  if (devices == item.end() || !isArrayOfObjects(*devices) || devices->empty()) return nullptr;
  return &devices->front();
}

}  // namespace

std::string modeName(std::string_view value) {
  if (value == "thunderbolt_three") return "Thunderbolt 3";
  if (value == "thunderbolt_four") return "Thunderbolt 4";
  if (value == "thunderbolt_five") return "Thunderbolt 5";
  if (value == "usb_four") return "USB4";
  return "Thunderbolt";
}

ThunderboltLinks parseThunderboltReport(std::string_view bytes) {
  ThunderboltLinks links;
  if (!jsonNestingWithin(bytes, kMaxJsonNesting)) return links;
  const Json report = Json::parse(bytes.begin(), bytes.end(), nullptr, /*allow_exceptions=*/false);
  if (!report.is_object() || report.empty()) return links;
  auto items = report.find(kThunderboltDataType);
  if (items == report.end() || !isArrayOfObjects(*items)) return links;

  for (const Json& item : *items) {
    const Json* receptacle = receptacleObject(item);
    if (!receptacle) continue;
    auto idText = stringMember(*receptacle, "receptacle_id_key");
    auto number = idText ? parseIntegerText(*idText) : std::nullopt;
    if (!number) continue;
    if (stringMember(*receptacle, "receptacle_status_key") != "receptacle_connected") continue;

    ThunderboltLink link;
    link.speed = stringMember(*receptacle, "current_speed_key");
    if (const Json* device = deviceObject(item)) {
      link.device = stringMember(*device, "device_name_key");
      if (auto mode = stringMember(*device, "mode_key")) link.mode = modeName(*mode);
    }
    links[*number] = std::move(link);
  }
  return links;
}

ThunderboltLinks readThunderboltLinks(ProcessRunner& runner) {
  auto output = runner.run(kSystemProfilerPath, {kThunderboltDataType, "-json"},
                           kMaxThunderboltReportBytes);
  if (!output) return {};
  return parseThunderboltReport(*output);
}

Snapshot applyThunderboltLinks(const Snapshot& snapshot, const ThunderboltLinks& links) {
  Snapshot merged = snapshot;
  for (PortStatus& port : merged.ports) {
    auto found = links.find(port.number);
    if (found == links.end()) continue;
    const ThunderboltLink& link = found->second;
    if (link.speed) port.speed = link.speed;
    if (link.device) port.device = link.device;
    if (link.mode) {
      for (std::string& protocol : port.protocols) {
        if (protocol == "Thunderbolt") {
          protocol = *link.mode;
          break;
        }
      }
    }
  }
  return merged;
}

Snapshot mergeThunderbolt(const Snapshot& snapshot, ProcessRunner& runner) {
  const ThunderboltLinks links = readThunderboltLinks(runner);
  if (links.empty()) return snapshot;
  return applyThunderboltLinks(snapshot, links);
}

}  // namespace plugscope
