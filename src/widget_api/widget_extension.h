#pragma once

// The interface between a widget host and the widget plug-ins it loads.
// A plug-in exports exactly one function, plugscope_extension_main, which
// gives the host everything else. Host and plug-in must agree on every type
// reachable from here; kWidgetInterfaceVersion changes whenever any of them
// changes, and a host refuses a plug-in whose version differs.

#include <cstdint>
#include <string>

#include "shared/advice.h"
#include "widget_api/cable_entry.h"
#include "widget_api/string_table.h"
#include "widget_api/timeline_provider.h"
#include "widget_api/view_node.h"
#include "widget_api/widget_configuration.h"
#include "widget_api/widget_family.h"
#include "widget_api/widget_texts.h"

namespace plugscope {

inline constexpr std::uint32_t kWidgetInterfaceVersion = 3;

// One widget. Everything it hands out lives as long as the plug-in stays
// loaded; all of it may be used from any thread.
class Widget {
 public:
  virtual ~Widget() = default;
  virtual const WidgetConfiguration& configuration() const = 0;
  virtual const TimelineProvider& provider() const = 0;
  // The view that draws `entry` in `family`.
  virtual ViewNode body(const CableEntry& entry, WidgetFamily family) const = 0;
  // The plug-in's own translations, for the keys in its views and its
  // configuration.
  virtual const StringTable& strings() const = 0;
  // What hosts say about entries outside the views, in the widget's words.
  virtual const WidgetTexts& texts() const = 0;
  // One hint about a port as a sentence in the user's language, built from
  // the entry's id and values (never from its English text) with the
  // plug-in's own catalogue. Empty for a hint the plug-in does not know or
  // whose values it lacks; the host then shows nothing for it.
  virtual std::string hintSentence(const AdviceEntry& entry) const = 0;
};

// Laid out for a host of any version to read the version first.
struct WidgetExtension {
  std::uint32_t interfaceVersion;  // must stay the first member
  const Widget* widget;            // null when the plug-in cannot start
};

inline constexpr const char* kExtensionMainSymbol = "plugscope_extension_main";
using ExtensionMain = const WidgetExtension* (*)();

}  // namespace plugscope

// Defined by each plug-in; the plug-in's one visible symbol. Returns a
// record that lives as long as the plug-in stays loaded.
extern "C" __attribute__((visibility("default"))) const plugscope::WidgetExtension*
plugscope_extension_main();
