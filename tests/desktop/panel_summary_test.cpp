#include "desktop/panel_summary.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>

#include "platform/linux/gettext_plural_string_table.h"
#include "shared/snapshot_json.h"
#include "test_support.h"

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

TEST(PanelSummary, CountsConnectedPortsAndAddsTheCharger) {
  const struct {
    const char* name;
    Snapshot snapshot;
    const char* summary;
  } cases[] = {
      {"no ports", {}, "No USB-C ports found"},
      {"nothing connected",
       {{port(1, false), port(2, false)}, std::nullopt, 0},
       "Nothing plugged in"},
      {"a charger only", {{port(1, true), port(2, false)}, 96, 0}, "1 port in use \u00b7 96 W"},
      {"two without charger", {{port(1, true), port(2, true)}, std::nullopt, 0}, "2 ports in use"},
      {"four with a dock", dockLaptop(), "4 ports in use \u00b7 96 W"},
      // Charging through a connector that is not USB-C.
      {"charger elsewhere", {{port(1, false)}, 60, 0}, "Nothing plugged in \u00b7 60 W"},
  };
  const UntranslatedPluralStrings english;
  for (const auto& c : cases) {
    EXPECT_EQ(panelSummary(c.snapshot, english), c.summary) << c.name;
  }
}

TEST(PanelMenu, OneDisabledLinePerPortThenTheCommands) {
  const UntranslatedPluralStrings english;
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
  EXPECT_EQ(panelMenu(dockLaptop(), PanelToggles{true, false}, english), expected);

  // No ports: no port lines and no separator above the commands.
  const auto bare = panelMenu(Snapshot{}, {}, english);
  ASSERT_EQ(bare.size(), 4u);
  EXPECT_EQ(bare.front().label, "Show widget");

  // A device's underscore must not become a mnemonic.
  const auto menu =
      panelMenu({{port(1, false), port(2, true, "My_USB__Drive")}, std::nullopt, 0}, {}, english);
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

TEST(PanelSummary, GermanUsesTheCataloguesPluralForms) {
  const ScopedLocale german("de_DE.UTF-8");
  ASSERT_TRUE(german.ok()) << "scripts/install-deps generates de_DE.UTF-8";
  const GettextPluralStringTable strings(kPanelTextDomain,
                                         std::string(PLUGSCOPE_BINARY_DIR) + "/share/locale");
  EXPECT_EQ(panelSummary(dockLaptop(), strings), "4 Anschl\u00fcsse belegt \u00b7 96 W");
  EXPECT_EQ(panelSummary({{port(1, true)}, std::nullopt, 0}, strings), "1 Anschluss belegt");
  EXPECT_EQ(panelSummary({{port(1, false)}, std::nullopt, 0}, strings), "Nichts angeschlossen");
  EXPECT_EQ(panelSummary({}, strings), "Keine USB-C-Anschl\u00fcsse gefunden");

  const auto menu = panelMenu({}, {}, strings);
  ASSERT_EQ(menu.size(), 4u);
  EXPECT_EQ(menu[0].label, "Widget zeigen");
  EXPECT_EQ(menu[1].label, "Melden, wenn etwas angeschlossen wird");
  EXPECT_EQ(menu[2].label, "Beim Anmelden starten");
  EXPECT_EQ(menu[3].label, "Beenden");
}

}  // namespace
}  // namespace plugscope
