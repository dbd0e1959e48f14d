#include "platform/linux/xdg_autostart_login_item.h"

#include <gtest/gtest.h>

#include <fstream>

#include "map_environment.h"
#include "platform/linux/posix_file_system.h"
#include "test_support.h"

namespace plugscope {
namespace {

namespace fs = std::filesystem;

using test::readAll;

TEST(XdgAutostartLoginItem, EntryStartsTheAgentWithoutMenuOrTerminal) {
  EXPECT_EQ(agentAutostartEntryText("/opt/plugscope/bin/plugscope"),
            "[Desktop Entry]\n"
            "Type=Application\n"
            "Name=Plugscope\n"
            "Comment=Keeps the USB-C port widget up to date\n"
            "TryExec=/opt/plugscope/bin/plugscope\n"
            "Exec=\"/opt/plugscope/bin/plugscope\"\n"
            "NoDisplay=true\n"
            "Terminal=false\n"
            "X-GNOME-Autostart-enabled=true\n");
}

TEST(XdgAutostartLoginItem, ExecQuotesEveryReservedCharacter) {
  const std::pair<const char*, const char*> cases[] = {
      {"/home/a b/plugscope", "Exec=\"/home/a b/plugscope\"\n"},
      {"/x/\"q\"", "Exec=\"/x/\\\\\"q\\\\\"\"\n"},
      {"/x/$HOME`id`", "Exec=\"/x/\\\\$HOME\\\\`id\\\\`\"\n"},
      {"/x/back\\slash", "Exec=\"/x/back\\\\\\\\slash\"\n"},
      {"/x/100%", "Exec=\"/x/100%%\"\n"},
      {"/x/new\nline", "Exec=\"/x/new\\nline\"\n"},
  };
  for (const auto& [path, line] : cases) {
    EXPECT_NE(agentAutostartEntryText(path).find(line), std::string::npos)
        << path << "\n" << agentAutostartEntryText(path);
  }
}

TEST(XdgAutostartLoginItem, WritesTheEntryAtomicallyEveryTime) {
  const fs::path dir = test::freshTestDirectory("autostart");
  test::MapEnvironment env;
  env.variables["HOME"] = dir.string();
  PosixFileSystem files;
  const fs::path entry = dir / ".config/autostart/plugscope.desktop";

  XdgAutostartLoginItem item(env, files, "/usr/bin/plugscope");
  EXPECT_TRUE(item.registerAtLogin());
  EXPECT_EQ(readAll(entry), agentAutostartEntryText("/usr/bin/plugscope"));

  std::ofstream(entry) << "[Desktop Entry]\nHidden=true\n";
  env.variables["XDG_CONFIG_HOME"] = "relative/is/ignored";
  EXPECT_TRUE(item.registerAtLogin());
  EXPECT_EQ(readAll(entry), agentAutostartEntryText("/usr/bin/plugscope"));
  EXPECT_EQ(files.listDirectory(entry.parent_path().string()),
            std::vector<std::string>{"plugscope.desktop"});

  env.variables["XDG_CONFIG_HOME"] = (dir / "config").string();
  EXPECT_TRUE(item.registerAtLogin());
  EXPECT_TRUE(fs::exists(dir / "config/autostart/plugscope.desktop"));
}

TEST(XdgAutostartLoginItem, FailsWithoutPathOrHome) {
  const fs::path dir = test::freshTestDirectory("autostart");
  test::MapEnvironment env;
  PosixFileSystem files;
  EXPECT_FALSE(XdgAutostartLoginItem(env, files, "/usr/bin/plugscope").registerAtLogin());
  env.variables["HOME"] = dir.string();
  EXPECT_FALSE(XdgAutostartLoginItem(env, files, std::nullopt).registerAtLogin());
  EXPECT_FALSE(fs::exists(dir / ".config"));
}

}  // namespace
}  // namespace plugscope
