#include "platform/linux/agent/file_reload_requester.h"

#include <gtest/gtest.h>

#include <fstream>
#include <poll.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include "map_environment.h"
#include "platform/linux/system/posix_file_system.h"
#include "test_support.h"

namespace plugscope {
namespace {

namespace fs = std::filesystem;

using test::readAll;

TEST(FileReloadRequester, StampGrowsByOneAndContinuesAcrossRestarts) {
  const fs::path dir = test::freshTestDirectory("reload");
  test::MapEnvironment env;
  env.variables["HOME"] = dir.string();
  env.variables["XDG_RUNTIME_DIR"] = (dir / "run").string();
  PosixFileSystem files;
  const fs::path reload = dir / "run/5L9QH2TR7M.io.plugscope.shared/reload";

  FileReloadRequester first(env, files);
  first.requestReload();
  EXPECT_EQ(readAll(reload), "1\n");
  first.requestReload();
  EXPECT_EQ(readAll(reload), "2\n");
  struct stat st {};
  ASSERT_EQ(::stat(reload.parent_path().c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0700u);

  FileReloadRequester restarted(env, files);
  restarted.requestReload();
  EXPECT_EQ(readAll(reload), "3\n");

  // A stamp that is not ours to read starts again from what we wrote.
  std::ofstream(reload) << "garbage";
  restarted.requestReload();
  EXPECT_EQ(readAll(reload), "4\n");
  std::ofstream(reload) << "41\n";
  restarted.requestReload();
  EXPECT_EQ(readAll(reload), "42\n");
  EXPECT_EQ(files.listDirectory(reload.parent_path().string()), std::vector<std::string>{"reload"});
}

TEST(FileReloadRequester, UsesTheCacheDirectoryWithoutAnAbsoluteRuntimeDirectory) {
  const fs::path dir = test::freshTestDirectory("reload");
  test::MapEnvironment env;
  env.variables["HOME"] = dir.string();
  env.variables["XDG_RUNTIME_DIR"] = "run";
  PosixFileSystem files;
  FileReloadRequester(env, files).requestReload();
  EXPECT_EQ(readAll(dir / ".cache/5L9QH2TR7M.io.plugscope.shared/reload"), "1\n");
  env.variables["XDG_CACHE_HOME"] = (dir / "cache").string();
  FileReloadRequester(env, files).requestReload();
  EXPECT_EQ(readAll(dir / "cache/5L9QH2TR7M.io.plugscope.shared/reload"), "1\n");
}

TEST(FileReloadRequester, WatchersSeeTheFileMovedIn) {
  const fs::path dir = test::freshTestDirectory("reload");
  test::MapEnvironment env;
  env.variables["XDG_RUNTIME_DIR"] = dir.string();
  PosixFileSystem files;
  FileReloadRequester requester(env, files);
  requester.requestReload();  // creates the directory

  const int watcher = ::inotify_init1(IN_CLOEXEC | IN_NONBLOCK);
  ASSERT_GE(watcher, 0);
  const fs::path watched = dir / "5L9QH2TR7M.io.plugscope.shared";
  ASSERT_GE(::inotify_add_watch(watcher, watched.c_str(), IN_MOVED_TO), 0);
  requester.requestReload();
  pollfd entry{watcher, POLLIN, 0};
  ASSERT_EQ(::poll(&entry, 1, 5000), 1);
  alignas(inotify_event) char buffer[4096];
  const ssize_t n = ::read(watcher, buffer, sizeof buffer);
  ::close(watcher);
  ASSERT_GT(n, 0);
  const auto* event = reinterpret_cast<const inotify_event*>(buffer);
  EXPECT_TRUE(event->mask & IN_MOVED_TO);
  EXPECT_STREQ(event->name, "reload");
}

}  // namespace
}  // namespace plugscope
