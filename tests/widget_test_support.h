#pragma once

#include <map>
#include <sstream>
#include <string>

#include "shared/port_status.h"
#include "widget_api/string_table.h"
#include "host/tree_renderer.h"
#include "widget/cable_texts.h"
#include "widget_api/view_node.h"

namespace plugscope::test {

// A port as the scanner makes it before it learns anything.
inline PortStatus port(std::int64_t number, bool connected) {
  PortStatus p;
  p.id = "Port-USB-C@" + std::to_string(number);
  p.number = number;
  p.connected = connected;
  return p;
}

// A string table with the translations given; others stand as they are.
class MapStrings final : public StringTable {
 public:
  explicit MapStrings(std::map<std::string, std::string> translations = {})
      : translations_(std::move(translations)) {}
  std::string lookup(std::string_view key) const override {
    auto found = translations_.find(std::string(key));
    return found == translations_.end() ? std::string(key) : found->second;
  }

 private:
  std::map<std::string, std::string> translations_;
};

// The cable widget's words for hosts, untranslated.
inline const WidgetTexts& englishTexts() {
  static const UntranslatedStrings strings;
  static const CableTexts texts(strings);
  return texts;
}

inline std::string treeText(const ViewNode& node, const StringTable& strings = MapStrings()) {
  std::ostringstream out;
  TreeRenderer().render(node, WidgetFamily::medium, strings, englishTexts(), out);
  return out.str();
}

}  // namespace plugscope::test
