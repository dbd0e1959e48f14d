// Every writer that needs a directory asks the file system for it, so a
// file system that cannot make one stops each of them cleanly: nothing is
// written and what was there stays.
#include <gtest/gtest.h>

#include <fstream>
#include <functional>

#include "map_environment.h"
#include "platform/linux/agent/file_reload_requester.h"
#include "platform/linux/autostart/xdg_autostart_login_item.h"
#include "platform/linux/host/inotify_reload_requests.h"
#include "platform/linux/system/posix_file_system.h"
#include "platform/linux/system/xdg_container_locator.h"
#include "reliability/fault_injection_fakes.h"

namespace plugscope {
namespace {

namespace fs = std::filesystem;

TEST(DirectoryFailures, EachWriterKeepsTheOldFileWhenItsDirectoryCannotBeMade) {
  struct Case {
    const char* name;
    const char* file;  // below the test's home, there before the call
    // Runs the writer once; its report of success (the reload requester
    // reports nothing: true).
    std::function<bool(const Environment&, FileSystem&)> run;
  };
  const Case cases[] = {
      {"reload requester", "run/5L9QH2TR7M.io.plugscope.shared/reload",
       [](const Environment& env, FileSystem& files) {
         FileReloadRequester(env, files).requestReload();
         return true;
       }},
      {"login item", "config/autostart/plugscope.desktop",
       [](const Environment& env, FileSystem& files) {
         return XdgAutostartLoginItem(env, files, "/usr/bin/plugscope").registerAtLogin();
       }},
      {"container, through the store", "data/5L9QH2TR7M.io.plugscope.shared/snapshot.json",
       [](const Environment& env, FileSystem& files) {
         const XdgContainerLocator locator(env, files);
         return SnapshotStore(locator, files).saveSnapshot(Snapshot{{}, 60, PointInTime{1}});
       }},
  };
  for (const Case& c : cases) {
    const fs::path home = test::freshTestDirectory("mkdir");
    test::MapEnvironment env;
    env.variables = {{"HOME", home.string()},
                     {"XDG_RUNTIME_DIR", (home / "run").string()},
                     {"XDG_CONFIG_HOME", (home / "config").string()},
                     {"XDG_DATA_HOME", (home / "data").string()}};
    const fs::path old = home / c.file;
    fs::create_directories(old.parent_path());
    std::ofstream(old) << "old\n";
    PosixFileSystem real;
    test::FailingFileSystem files(real);
    files.faults.makeDirectoryFails = true;

    const bool reported = c.run(env, files);
    EXPECT_EQ(reported, c.name == std::string("reload requester")) << c.name;
    EXPECT_EQ(test::readAll(old), "old\n") << c.name;
    EXPECT_EQ(std::distance(fs::directory_iterator(old.parent_path()), fs::directory_iterator{}), 1)
        << c.name << ": nothing beside it";
    EXPECT_EQ(files.createAttempts, 0) << c.name;

    // With the directory step working again, the same call writes.
    files.faults.makeDirectoryFails = false;
    EXPECT_TRUE(c.run(env, files)) << c.name;
    EXPECT_NE(test::readAll(old), "old\n") << c.name;
  }
}

TEST(DirectoryFailures, TheReloadWatchWaitsWithoutADirectory) {
  const fs::path home = test::freshTestDirectory("mkdir");
  PosixFileSystem real;
  test::FailingFileSystem files(real);
  files.faults.makeDirectoryFails = true;
  InotifyReloadRequests requests((home / "run/group").string(), files);
  EXPECT_FALSE(requests.watching());
  EXPECT_FALSE(fs::exists(home / "run"));
  EXPECT_EQ(requests.waitFor(0.01), ReloadRequests::Wait::timedOut);
  // Once the directory can be made, the next wait watches it.
  files.faults.makeDirectoryFails = false;
  EXPECT_EQ(requests.waitFor(0.01), ReloadRequests::Wait::timedOut);
  EXPECT_TRUE(requests.watching());
  EXPECT_TRUE(fs::is_directory(home / "run/group"));
}

}  // namespace
}  // namespace plugscope
