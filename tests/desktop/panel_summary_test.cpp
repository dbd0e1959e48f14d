#include "desktop/panel_summary.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>

#include "desktop/desktop_app.h"
#include "platform/linux/gettext_string_table.h"
#include "shared/snapshot_json.h"
#include "test_support.h"
#include "widget/cable_texts.h"

namespace plugscope {
namespace {

// The bundled laptop with a 96 W charger, a phone, a dock and a display.
Snapshot dockLaptop() {
  auto snapshot =
      decodeSnapshotOrNone(test::readFixture("laptop-dock-display-charger.expected.json"));
  EXPECT_TRUE(snapshot);
  return snapshot.value_or(Snapshot{});
}

PortStatus port(int number, bool connected, std::optional<std::string> device = std::nullopt) {
  PortStatus p;
  p.id = "Port-USB-C@" + std::to_string(number);
  p.number = number;
  p.connected = connected;
  p.device = std::move(device);
  return p;
}

TEST(PanelMenu, OneDisabledLinePerPortThenTheCommands) {
  const UntranslatedStrings english;
  const CableTexts texts(english);
  using Item = PanelMenuItem;
  const std::vector<PanelMenuItem> expected = {
      Item::line("USB-C 1 \u2014 Connected"),
      Item::line("USB-C 2 \u2014 iPhone"),
      Item::line("USB-C 3 \u2014 Harbor TB4 Dock"),
      Item::line("USB-C 4 \u2014 Connected"),
      Item::divider(),
      Item::action("Show widget", PanelCommand::showWidget),
      Item::toggle("Notify when something is plugged in", PanelCommand::notifyOnPlug, true),
      Item::toggle("Start at login", PanelCommand::startAtLogin, false),
      Item::action("Quit", PanelCommand::quit),
  };
  EXPECT_EQ(panelMenu(dockLaptop(), PanelToggles{true, false}, english, texts), expected);
  EXPECT_EQ(panelState(dockLaptop(), PanelToggles{true, false}, english, texts),
            (PanelState{"4 ports in use \u00b7 96 W", expected}));

  // Each hint under its port's line, in the order given; a hint about a
  // port the snapshot lacks has no line to go under.
  const std::vector<PortHint> hints = {
      {3, "The cable limits this link to Thunderbolt 3."}, {1, "Charging_slowly."},
      {3, "A second hint."}, {9, "Nowhere."}};
  std::vector<PanelMenuItem> hinted = expected;
  hinted.insert(hinted.begin() + 3,
                {Item::line("\u21b3 The cable limits this link to Thunderbolt 3."),
                 Item::line("\u21b3 A second hint.")});
  hinted.insert(hinted.begin() + 1, Item::line("\u21b3 Charging__slowly."));
  EXPECT_EQ(panelMenu(dockLaptop(), PanelToggles{true, false}, english, texts, hints), hinted);

  // No ports: no port lines and no separator above the commands.
  const auto bare = panelMenu(Snapshot{}, {}, english, texts);
  ASSERT_EQ(bare.size(), 4u);
  EXPECT_EQ(bare.front().label, "Show widget");

  // A device's underscore must not become a mnemonic.
  const auto menu = panelMenu({{port(1, false), port(2, true, "My_USB__Drive")}, std::nullopt, 0},
                              {}, english, texts);
  EXPECT_EQ(menu[0].label, "USB-C 1 \u2014 Nothing plugged in");
  EXPECT_EQ(menu[1].label, "USB-C 2 \u2014 My__USB____Drive");
}

// Switches the whole locale (and LANGUAGE, which gettext prefers) for one test.
class ScopedLocale {
 public:
  explicit ScopedLocale(const char* name) : previous_(std::setlocale(LC_ALL, nullptr)) {
    if (const char* language = std::getenv("LANGUAGE")) language_ = language;
    ::unsetenv("LANGUAGE");
    ok_ = std::setlocale(LC_ALL, name) != nullptr;
  }
  ~ScopedLocale() {
    std::setlocale(LC_ALL, previous_.c_str());
    if (language_) ::setenv("LANGUAGE", language_->c_str(), 1);
  }
  bool ok() const { return ok_; }

 private:
  std::string previous_;
  std::optional<std::string> language_;
  bool ok_ = false;
};

// Every item of a menu model, sections flattened: "label -> action" and
// the action's target, if any, after "::".
std::vector<std::string> menuItems(GMenuModel* model) {
  std::vector<std::string> items;
  for (int i = 0; i < g_menu_model_get_n_items(model); ++i) {
    if (g_autoptr(GMenuModel) section = g_menu_model_get_item_link(model, i, G_MENU_LINK_SECTION)) {
      for (std::string& item : menuItems(section)) items.push_back(std::move(item));
      continue;
    }
    g_autofree gchar* label = nullptr;
    g_autofree gchar* action = nullptr;
    g_menu_model_get_item_attribute(model, i, G_MENU_ATTRIBUTE_LABEL, "s", &label);
    g_menu_model_get_item_attribute(model, i, G_MENU_ATTRIBUTE_ACTION, "s", &action);
    std::string item = std::string(label ? label : "?") + " -> " + (action ? action : "?");
    g_autoptr(GVariant) target =
        g_menu_model_get_item_attribute_value(model, i, G_MENU_ATTRIBUTE_TARGET, nullptr);
    if (target && g_variant_is_of_type(target, G_VARIANT_TYPE_STRING)) {
      item += std::string("::") + g_variant_get_string(target, nullptr);
    }
    items.push_back(item);
  }
  return items;
}

// The window's menu offers the sizes the widget comes in, in its order,
// and no other.
TEST(WindowMenu, OffersTheWidgetsFamiliesThenTheChoices) {
  const UntranslatedStrings english;
  const WidgetConfiguration two{"Other", "Other", "", {WidgetFamily::large, WidgetFamily::medium}};
  g_autoptr(GMenuModel) menu = windowMenu(two, english);
  EXPECT_EQ(menuItems(menu), (std::vector<std::string>{
                                 "Large -> app.family::large",
                                 "Medium -> app.family::medium",
                                 "Notify when something is plugged in -> app.notify-plugged",
                                 "Start at login -> app.start-at-login",
                                 "Quit -> app.quit",
                             }));
}

// The host's own words in German: the panel's commands and the window's
// menu. What it says about the ports is the widget's (cable_texts_test).
TEST(PanelMenu, GermanCommandsAndSizesFromTheHostsCatalogue) {
  const ScopedLocale german("de_DE.UTF-8");
  ASSERT_TRUE(german.ok()) << "scripts/install-deps generates de_DE.UTF-8";
  const GettextStringTable strings(kDesktopTextDomain,
                                   std::string(PLUGSCOPE_BINARY_DIR) + "/share/locale");
  const CableTexts texts(strings);
  const auto menu = panelMenu({}, {}, strings, texts);
  ASSERT_EQ(menu.size(), 4u);
  EXPECT_EQ(menu[0].label, "Widget zeigen");
  EXPECT_EQ(menu[1].label, "Melden, wenn etwas angeschlossen wird");
  EXPECT_EQ(menu[2].label, "Beim Anmelden starten");
  EXPECT_EQ(menu[3].label, "Beenden");
  const WidgetConfiguration three{
      "Cable", "Plugscope", "", {WidgetFamily::small, WidgetFamily::medium, WidgetFamily::large}};
  g_autoptr(GMenuModel) window = windowMenu(three, strings);
  EXPECT_EQ(menuItems(window), (std::vector<std::string>{
                                   "Klein -> app.family::small",
                                   "Mittel -> app.family::medium",
                                   "Gro\u00df -> app.family::large",
                                   "Melden, wenn etwas angeschlossen wird -> app.notify-plugged",
                                   "Beim Anmelden starten -> app.start-at-login",
                                   "Beenden -> app.quit",
                               }));
}

}  // namespace
}  // namespace plugscope
