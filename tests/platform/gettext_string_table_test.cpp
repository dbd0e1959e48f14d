#include "platform/linux/system/gettext_string_table.h"

#include <gtest/gtest.h>

#include <clocale>
#include <string>

namespace plugscope {
namespace {

const std::string kLocaleDirectory = std::string(PLUGSCOPE_BINARY_DIR) + "/" PLUGSCOPE_LOCALE_DIR;

// Switches the messages locale for one test and back.
class MessagesLocale {
 public:
  explicit MessagesLocale(const char* name) : previous_(std::setlocale(LC_MESSAGES, nullptr)) {
    ok_ = std::setlocale(LC_MESSAGES, name) != nullptr;
  }
  ~MessagesLocale() { std::setlocale(LC_MESSAGES, previous_.c_str()); }
  bool ok() const { return ok_; }

 private:
  std::string previous_;
  bool ok_ = false;
};

TEST(GettextStringTable, GermanCatalogueTranslatesTheWidgetsKeys) {
  const MessagesLocale german("de_DE.UTF-8");
  ASSERT_TRUE(german.ok()) << "scripts/install-deps generates de_DE.UTF-8";
  const GettextStringTable strings("plugscope-widget", kLocaleDirectory);
  EXPECT_EQ(strings.lookup("Cables"), "Kabel");
  EXPECT_EQ(strings.lookup("No USB-C ports found"), "Keine USB-C-Anschl\u00fcsse gefunden");
  EXPECT_EQ(strings.lookup("Charging the Mac \u00b7 %lld W"), "L\u00e4dt den Mac \u00b7 %lld W");
  EXPECT_EQ(strings.lookup("%lld W"), "%lld W");
  EXPECT_EQ(strings.lookup("Plugscope"), "Plugscope");
  EXPECT_EQ(
      strings.lookup("What each USB-C port is doing: device, speed, protocols and cable type."),
      "Was jeder USB-C-Anschluss gerade tut: Ger\u00e4t, Geschwindigkeit, Protokolle und "
      "Kabeltyp.");
  // Keys without a translation stand as they are.
  EXPECT_EQ(strings.lookup("Untranslated"), "Untranslated");
}

TEST(GettextStringTable, KeysStandAsTheyAreWithoutTranslation) {
  {
    const MessagesLocale c("C.UTF-8");
    const GettextStringTable strings("plugscope-widget", kLocaleDirectory);
    EXPECT_EQ(strings.lookup("Cables"), "Cables");
  }
  {
    const MessagesLocale german("de_DE.UTF-8");
    ASSERT_TRUE(german.ok());
    // A domain without catalogues, and a directory that does not exist.
    const GettextStringTable strings("plugscope-no-such-domain", "/nonexistent/locale");
    EXPECT_EQ(strings.lookup("Cables"), "Cables");
  }
}

TEST(GettextStringTable, EmptyKeyIsNotTheCataloguesHeader) {
  const MessagesLocale german("de_DE.UTF-8");
  ASSERT_TRUE(german.ok());
  const GettextStringTable strings("plugscope-widget", kLocaleDirectory);
  EXPECT_EQ(strings.lookup(""), "");
  EXPECT_EQ(strings.lookup(std::string_view("Cables\0x", 8)), std::string("Cables\0x", 8));
}

}  // namespace
}  // namespace plugscope
