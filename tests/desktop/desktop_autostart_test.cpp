#include "platform/linux/autostart/desktop_autostart.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "platform/linux/system/posix_file_system.h"
#include "reliability/fault_injection_fakes.h"
#include "platform/map_environment.h"
#include "test_support.h"

namespace plugscope {
namespace {

namespace fs = std::filesystem;

// A fresh home of its own, with every XDG directory inside it.
class TemporaryHome {
 public:
  TemporaryHome() {
    root_ = test::freshDirectory("autostart");
    env.variables["HOME"] = root_.string();
    for (const auto& [name, folder] : {std::pair{"XDG_CONFIG_HOME", "config"},
                                       {"XDG_DATA_HOME", "data"},
                                       {"XDG_CACHE_HOME", "cache"},
                                       {"XDG_STATE_HOME", "state"},
                                       {"XDG_RUNTIME_DIR", "run"}}) {
      env.variables[name] = (root_ / folder).string();
    }
  }
  ~TemporaryHome() {
    std::error_code ignored;
    fs::remove_all(root_, ignored);
  }
  const fs::path& root() const { return root_; }

  test::MapEnvironment env;

 private:
  fs::path root_;
};

TEST(DesktopAutostart, EntryIsInertOnceTheProgramIsGone) {
  EXPECT_EQ(desktopAutostartEntryText("/home/a b/bin/plugscope-desktop"),
            "[Desktop Entry]\n"
            "Type=Application\n"
            "Name=Plugscope\n"
            "Comment=Shows what each USB-C port is doing\n"
            "Icon=io.plugscope.Plugscope\n"
            "TryExec=/home/a b/bin/plugscope-desktop\n"
            "Exec=\"/home/a b/bin/plugscope-desktop\"\n"
            "NoDisplay=true\n"
            "Terminal=false\n"
            "X-GNOME-Autostart-enabled=true\n");
}

TEST(DesktopAutostart, ToggleWritesAndRemovesTheEntry) {
  const TemporaryHome home;
  ASSERT_FALSE(home.root().empty());
  PosixFileSystem files;
  const fs::path entry = home.root() / "config/autostart/io.plugscope.Plugscope.desktop";
  DesktopAutostart autostart(home.env, files, "/usr/bin/plugscope-desktop");

  EXPECT_FALSE(autostart.isEnabled());
  EXPECT_TRUE(autostart.setEnabled(true));
  EXPECT_TRUE(autostart.isEnabled());
  EXPECT_EQ(test::readAll(entry), desktopAutostartEntryText("/usr/bin/plugscope-desktop"));
  // Written atomically: no temporary file stays beside it.
  EXPECT_EQ(files.listDirectory(entry.parent_path().string()),
            std::vector<std::string>{"io.plugscope.Plugscope.desktop"});

  EXPECT_TRUE(autostart.setEnabled(false));
  EXPECT_FALSE(autostart.isEnabled());
  EXPECT_FALSE(fs::exists(entry));
  EXPECT_TRUE(autostart.setEnabled(false));
}

TEST(DesktopAutostart, OnlyAnEntryForThisProgramThatIsSwitchedOnCounts) {
  const TemporaryHome home;
  ASSERT_FALSE(home.root().empty());
  PosixFileSystem files;
  const fs::path entry = home.root() / "config/autostart/io.plugscope.Plugscope.desktop";
  fs::create_directories(entry.parent_path());
  const std::string ours = desktopAutostartEntryText("/usr/bin/plugscope-desktop");
  const struct {
    const char* name;
    std::string text;
    bool enabled;
  } cases[] = {
      {"ours", ours, true},
      {"a program since moved", desktopAutostartEntryText("/opt/old/plugscope-desktop"), false},
      {"hidden by the session", ours + "Hidden=true\n", false},
      {"switched off by the session",
       "[Desktop Entry]\nTryExec=/usr/bin/plugscope-desktop\nX-GNOME-Autostart-enabled=false\n",
       false},
  };
  DesktopAutostart autostart(home.env, files, "/usr/bin/plugscope-desktop");
  for (const auto& c : cases) {
    std::ofstream(entry, std::ios::trunc) << c.text;
    EXPECT_EQ(autostart.isEnabled(), c.enabled) << c.name;
  }
  // Switching on again replaces a stale entry.
  EXPECT_TRUE(autostart.setEnabled(true));
  EXPECT_EQ(test::readAll(entry), ours);
}

TEST(DesktopAutostart, AnAutostartFolderThatCannotBeMadeKeepsTheOldEntry) {
  const TemporaryHome home;
  ASSERT_FALSE(home.root().empty());
  const fs::path entry = home.root() / "config/autostart/io.plugscope.Plugscope.desktop";
  fs::create_directories(entry.parent_path());
  std::ofstream(entry) << "[Desktop Entry]\nHidden=true\n";
  PosixFileSystem real;
  test::FailingFileSystem files(real);
  files.faults.makeDirectoryFails = true;
  EXPECT_FALSE(DesktopAutostart(home.env, files, "/usr/bin/plugscope-desktop").setEnabled(true));
  EXPECT_EQ(test::readAll(entry), "[Desktop Entry]\nHidden=true\n");
  EXPECT_EQ(files.createAttempts, 0);
}

TEST(DesktopAutostart, CannotBeEnabledWithoutHomeOrProgram) {
  const TemporaryHome home;
  PosixFileSystem files;
  test::MapEnvironment nowhere;
  EXPECT_FALSE(DesktopAutostart(nowhere, files, "/usr/bin/plugscope-desktop").setEnabled(true));
  DesktopAutostart unknownProgram(home.env, files, std::nullopt);
  EXPECT_FALSE(unknownProgram.setEnabled(true));
  EXPECT_FALSE(unknownProgram.isEnabled());
  EXPECT_FALSE(fs::exists(home.root() / "config"));
}

}  // namespace
}  // namespace plugscope
