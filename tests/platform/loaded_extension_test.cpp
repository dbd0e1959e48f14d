#include "platform/linux/loaded_extension.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <optional>

#include "test_support.h"
#include "widget/cable_widget.h"

namespace plugscope {
namespace {

// A widget that is only ever compared, never asked.
class ScriptlessWidget final : public Widget {
 public:
  explicit ScriptlessWidget(const StringTable& strings) : strings_(strings) {}
  const WidgetConfiguration& configuration() const override { return cableWidgetConfiguration(); }
  const TimelineProvider& provider() const override { std::abort(); }
  ViewNode body(const CableEntry&, WidgetFamily) const override { return ViewNode{}; }
  const StringTable& strings() const override { return strings_; }
  const WidgetTexts& texts() const override { std::abort(); }
  std::string hintSentence(const AdviceEntry&) const override { return {}; }

 private:
  const StringTable& strings_;
};

const std::string kPlugin = std::string(PLUGSCOPE_BINARY_DIR) + "/" PLUGSCOPE_MODULE_DIR "/PlugscopeWidget.so";

TEST(LoadedExtension, LoadsTheWidgetPlugin) {
  std::string error;
  auto extension = LoadedExtension::load(kPlugin, error);
  ASSERT_TRUE(extension) << error;
  const WidgetConfiguration& configuration = extension->widget().configuration();
  EXPECT_EQ(configuration.kind, "CableWidget");
  EXPECT_EQ(configuration.displayName, "Plugscope");
  EXPECT_EQ(configuration.description,
            "What each USB-C port is doing: device, speed, protocols and cable type.");
  EXPECT_EQ(
      configuration.supportedFamilies,
      (std::vector<WidgetFamily>{WidgetFamily::small, WidgetFamily::medium, WidgetFamily::large}));
  // Loading twice shares one plug-in and unloads cleanly.
  auto again = LoadedExtension::load(kPlugin, error);
  ASSERT_TRUE(again) << error;
  EXPECT_EQ(&again->widget(), &extension->widget());
}

TEST(LoadedExtension, RefusesWhatIsNotAPlugin) {
  struct Row {
    const char* name;
    std::string path;
    std::string expectedStart;
  };
  const Row rows[] = {
      {"missing file", "/nonexistent/PlugscopeWidget.so", "cannot load /nonexistent/"},
      {"not a shared object", test::fixturePath("laptop-on-battery.json"), "cannot load "},
      {"no entry point", "libm.so.6", "libm.so.6 is not a widget plug-in"},
  };
  for (const auto& row : rows) {
    std::string error;
    EXPECT_FALSE(LoadedExtension::load(row.path, error)) << row.name;
    EXPECT_EQ(error.rfind(row.expectedStart, 0), 0u) << row.name << ": " << error;
    EXPECT_EQ(std::count(error.begin(), error.end(), '\n'), 0) << row.name;
  }
}

// Every host loads its plug-in through this one call: the path given, else
// the plug-in installed with the program (this test binary lies in tests/
// of the build tree, the plug-in in lib/plugscope/).
TEST(LoadedExtension, HostsLoadTheGivenPluginElseTheInstalledOne) {
  struct Row {
    const char* name;
    std::optional<std::string> path;
    std::string moduleFromProgram;
    std::string error;  // empty: it loads
  };
  const Row rows[] = {
      {"given", kPlugin, "nowhere", ""},
      {"given but missing", "/nonexistent/PlugscopeWidget.so", "../" PLUGSCOPE_MODULE_DIR,
       "cannot load /nonexistent/PlugscopeWidget.so"},
      {"installed", std::nullopt, "../" PLUGSCOPE_MODULE_DIR, ""},
      {"none installed", std::nullopt, "../nowhere",
       "no PlugscopeWidget.so installed beside this program"},
  };
  for (const Row& row : rows) {
    std::string error;
    const auto extension = loadWidgetPlugin(row.path, row.moduleFromProgram, error);
    EXPECT_EQ(extension.has_value(), row.error.empty()) << row.name << ": " << error;
    EXPECT_EQ(error.substr(0, row.error.size()), row.error) << row.name;
    if (extension) {
      EXPECT_EQ(extension->widget().configuration().kind, "CableWidget") << row.name;
    }
  }
}

TEST(LoadedExtension, ChecksTheInterfaceVersionBeforeTheWidget) {
  const UntranslatedStrings strings;
  const ScriptlessWidget widget(strings);
  std::string error;
  const WidgetExtension good{kWidgetInterfaceVersion, &widget};
  EXPECT_EQ(acceptExtension(&good, "x.so", error), &widget);
  const WidgetExtension wrongVersion{kWidgetInterfaceVersion + 1, &widget};
  EXPECT_EQ(acceptExtension(&wrongVersion, "x.so", error), nullptr);
  EXPECT_EQ(error, "x.so: plug-in interface version " +
                       std::to_string(kWidgetInterfaceVersion + 1) + ", this host speaks version " +
                       std::to_string(kWidgetInterfaceVersion));
  const WidgetExtension noWidget{kWidgetInterfaceVersion, nullptr};
  EXPECT_EQ(acceptExtension(&noWidget, "x.so", error), nullptr);
  EXPECT_EQ(error, "x.so: the plug-in gave no widget");
  EXPECT_EQ(acceptExtension(nullptr, "x.so", error), nullptr);
  EXPECT_EQ(error, "x.so: the plug-in did not start");
}

}  // namespace
}  // namespace plugscope
