#include "platform/linux/system/xdg_container_locator.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sys/stat.h>

#include "map_environment.h"
#include "platform/linux/system/posix_file_system.h"

namespace plugscope {
namespace {

namespace fs = std::filesystem;

unsigned modeOf(const fs::path& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
}

TEST(XdgContainerLocator, CreatesThePrivateContainerAndItsParents) {
  const fs::path dir = test::freshTestDirectory("locator");
  test::MapEnvironment env;
  env.variables["HOME"] = dir.string();
  PosixFileSystem files;
  const XdgContainerLocator locator(env, files);
  const fs::path expected = dir / ".local/share/5L9QH2TR7M.io.plugscope.shared";
  EXPECT_EQ(locator.containerDirectory(), expected.string());
  EXPECT_TRUE(fs::is_directory(expected));
  EXPECT_EQ(modeOf(expected), 0700u);

  env.variables["XDG_DATA_HOME"] = (dir / "data").string();
  EXPECT_EQ(locator.containerDirectory(), (dir / "data/5L9QH2TR7M.io.plugscope.shared").string());
  EXPECT_EQ(modeOf(dir / "data/5L9QH2TR7M.io.plugscope.shared"), 0700u);
}

TEST(XdgContainerLocator, NoneWithoutHomeOrWhenTheDirectoryCannotBeMade) {
  const fs::path dir = test::freshTestDirectory("locator");
  test::MapEnvironment env;
  PosixFileSystem files;
  EXPECT_EQ(XdgContainerLocator(env, files).containerDirectory(), std::nullopt);

  std::ofstream(dir / "data") << "a file where a directory should be";
  env.variables["XDG_DATA_HOME"] = (dir / "data").string();
  EXPECT_EQ(XdgContainerLocator(env, files).containerDirectory(), std::nullopt);
}

}  // namespace
}  // namespace plugscope
