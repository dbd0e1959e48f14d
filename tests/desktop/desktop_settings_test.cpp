// The desktop host's key file: what it reads back, what it makes of
// broken files, and that a save replaces it whole.
#include "desktop/desktop_settings.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>

#include "platform/linux/posix_file_system.h"
#include "reliability/fault_injection_fakes.h"
#include "test_support.h"

namespace plugscope {
namespace {

namespace fs = std::filesystem;

TEST(DesktopSettingsTest, EverySettingSurvivesARoundTrip) {
  for (std::optional<WidgetFamily> family :
       {std::optional<WidgetFamily>(), std::optional(WidgetFamily::small),
        std::optional(WidgetFamily::medium), std::optional(WidgetFamily::large)}) {
    for (bool notify : {false, true}) {
      const DesktopSettings settings{family, notify};
      EXPECT_EQ(parseDesktopSettings(formatDesktopSettings(settings)), settings)
          << (family ? familyName(*family) : "no family") << " " << notify;
    }
  }
}

TEST(DesktopSettingsTest, BrokenFilesGiveTheDefaults) {
  const DesktopSettings defaults{std::nullopt, false};
  struct Case {
    const char* name;
    std::string text;
    DesktopSettings expected;
  };
  const Case cases[] = {
      {"empty", "", defaults},
      {"not a key file", "{\"family\": \"large\"}", defaults},
      {"binary", std::string("\0\x89PNG\r\n\x1a\n", 9), defaults},
      {"another group", "[Other]\nfamily=large\nnotify-when-plugged=true\n", defaults},
      {"unknown family keeps the other key",
       "[Plugscope]\nfamily=huge\nnotify-when-plugged=true\n",
       {std::nullopt, true}},
      {"family in capitals", "[Plugscope]\nfamily=Large\n", defaults},
      {"notify not a boolean keeps the family",
       "[Plugscope]\nfamily=small\nnotify-when-plugged=maybe\n",
       {WidgetFamily::small, false}},
      {"invalid UTF-8 value", "[Plugscope]\nfamily=l\xff" "rge\n", defaults},
      {"cut off in a group name", "[Plugs", defaults},
      {"comments and blank lines", "# mine\n\n[Plugscope]\n\nfamily=large\n",
       {WidgetFamily::large, false}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(parseDesktopSettings(c.text), c.expected) << c.name;
  }
}

TEST(DesktopSettingsTest, TheFileIsReplacedWholeInItsOwnDirectory) {
  const fs::path root = test::freshDirectory("desktop-settings");
  const fs::path directory = root / "config" / "plugscope";
  PosixFileSystem files;
  const DesktopSettingsFile file(files, directory.string());

  EXPECT_EQ(file.load(), DesktopSettings{}) << "missing file";
  ASSERT_TRUE(file.save({WidgetFamily::large, true}));
  EXPECT_EQ(file.load(), (DesktopSettings{WidgetFamily::large, true}));
  EXPECT_EQ(std::distance(fs::directory_iterator(directory), fs::directory_iterator{}), 1)
      << "no temporary file is left beside it";

  std::ofstream(directory / kDesktopSettingsFileName) << std::string(kMaxDesktopSettingsBytes + 1, '#');
  EXPECT_EQ(file.load(), DesktopSettings{}) << "too big";
  fs::remove(directory / kDesktopSettingsFileName);
  fs::create_directory(directory / kDesktopSettingsFileName);
  EXPECT_EQ(file.load(), DesktopSettings{}) << "a directory";
  EXPECT_FALSE(file.save({WidgetFamily::small, false})) << "cannot replace a directory";

  const DesktopSettingsFile nowhere(files, std::nullopt);
  EXPECT_EQ(nowhere.load(), DesktopSettings{});
  EXPECT_FALSE(nowhere.save({WidgetFamily::small, false}));

  // A folder that cannot be made: nothing is written, the old file stays.
  fs::remove_all(directory);
  fs::create_directories(directory);
  ASSERT_TRUE(file.save({WidgetFamily::large, true}));
  test::FailingFileSystem failing(files);
  failing.faults.makeDirectoryFails = true;
  EXPECT_FALSE(DesktopSettingsFile(failing, directory.string()).save({WidgetFamily::small, false}));
  EXPECT_EQ(file.load(), (DesktopSettings{WidgetFamily::large, true}));
  EXPECT_EQ(failing.createAttempts, 0);
  fs::remove_all(root);
}

}  // namespace
}  // namespace plugscope
