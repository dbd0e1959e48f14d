#include "widget/cable_texts.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>

#include "platform/linux/gettext_string_table.h"
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

TEST(CableTexts, TheSummaryCountsConnectedPortsAndAddsTheCharger) {
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
      {"no ports, a charger", {{}, 0, 0}, "No USB-C ports found \u00b7 0 W"},
  };
  const UntranslatedStrings english;
  const CableTexts texts(english);
  for (const auto& c : cases) EXPECT_EQ(texts.summary(c.snapshot), c.summary) << c.name;
}

TEST(CableTexts, PortLinesNoticesAndTheCountOfRowsLeftOut) {
  const UntranslatedStrings english;
  const CableTexts texts(english);
  const Snapshot laptop = dockLaptop();
  ASSERT_EQ(laptop.ports.size(), 4u);
  EXPECT_EQ(texts.portLine(laptop.ports[2]), "USB-C 3 \u2014 Harbor TB4 Dock");
  EXPECT_EQ(texts.portLine(port(7, false)), "USB-C 7 \u2014 Nothing plugged in");
  EXPECT_EQ(texts.pluggedNotice(laptop.ports[2]),
            (PortNotice{"USB-C 3: Harbor TB4 Dock \u00b7 40 Gbps",
                        "Thunderbolt, USB 3, USB 2 \u00b7 Smart cable \u00b7 1.1 W"}));
  PortStatus bare = port(5, true);
  bare.speed = "";  // an empty speed adds no part
  EXPECT_EQ(texts.pluggedNotice(bare), (PortNotice{"USB-C 5: Connected", ""}));
  EXPECT_EQ(texts.rowsNotShown(1), "1 port not shown");
  EXPECT_EQ(texts.rowsNotShown(3), "3 ports not shown");
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

// The widget's own catalogue translates what hosts say about the ports,
// with German plural forms; the row's own texts stand as the row shows them.
TEST(CableTexts, GermanFromTheWidgetsCatalogue) {
  const ScopedLocale german("de_DE.UTF-8");
  ASSERT_TRUE(german.ok()) << "scripts/install-deps generates de_DE.UTF-8";
  const GettextStringTable strings("plugscope-widget",
                                   std::string(PLUGSCOPE_BINARY_DIR) + "/share/locale");
  const CableTexts texts(strings);
  EXPECT_EQ(texts.summary(dockLaptop()), "4 Anschl\u00fcsse belegt \u00b7 96 W");
  EXPECT_EQ(texts.summary({{port(1, true)}, std::nullopt, 0}), "1 Anschluss belegt");
  EXPECT_EQ(texts.summary({{port(1, false)}, std::nullopt, 0}), "Nichts angeschlossen");
  EXPECT_EQ(texts.summary({}), "Keine USB-C-Anschl\u00fcsse gefunden");
  EXPECT_EQ(texts.rowsNotShown(1), "1 Anschluss nicht gezeigt");
  EXPECT_EQ(texts.rowsNotShown(2), "2 Anschl\u00fcsse nicht gezeigt");
  EXPECT_EQ(texts.portLine(port(2, false)), "USB-C 2 \u2014 Nothing plugged in");
}

}  // namespace
}  // namespace plugscope
