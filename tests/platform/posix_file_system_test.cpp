#include "platform/linux/system/posix_file_system.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sys/stat.h>

#include "map_environment.h"

namespace plugscope {
namespace {

namespace fs = std::filesystem;

TEST(PosixFileSystem, TemporaryFilesAreNewPrivateAndUnique) {
  const fs::path dir = test::freshTestDirectory("fs");
  PosixFileSystem files;
  auto first = files.createTemporaryFile(dir.string(), ".name.", 0640);
  auto second = files.createTemporaryFile(dir.string(), ".name.", 0640);
  ASSERT_TRUE(first && second);
  EXPECT_NE(first->path(), second->path());
  EXPECT_TRUE(fs::path(first->path()).filename().string().starts_with(".name."));
  EXPECT_EQ(fs::path(first->path()).parent_path(), dir);
  struct stat st {};
  ASSERT_EQ(::stat(first->path().c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
  EXPECT_TRUE(first->append("abc") && first->append("") && first->sync() && first->close());
  EXPECT_FALSE(first->close()) << "closed once only";
  EXPECT_EQ(files.readFile(first->path(), 3), "abc");
  EXPECT_EQ(files.readFile(first->path(), 2), std::nullopt);
  EXPECT_EQ(files.createTemporaryFile((dir / "missing").string(), ".x.", 0600), nullptr);
}

TEST(PosixFileSystem, RenameListRemoveAndSync) {
  const fs::path dir = test::freshTestDirectory("fs");
  PosixFileSystem files;
  std::ofstream(dir / "a") << "new";
  std::ofstream(dir / "b") << "old";
  EXPECT_TRUE(files.rename((dir / "a").string(), (dir / "b").string()));
  EXPECT_EQ(files.readFile((dir / "b").string(), 100), "new");
  EXPECT_EQ(files.listDirectory(dir.string()), std::vector<std::string>{"b"});
  EXPECT_TRUE(files.syncDirectory(dir.string()));
  EXPECT_TRUE(files.remove((dir / "b").string()));
  EXPECT_FALSE(files.remove((dir / "b").string()));
  EXPECT_EQ(files.listDirectory(dir.string()), std::vector<std::string>{});
  EXPECT_EQ(files.listDirectory((dir / "missing").string()), std::nullopt);
  EXPECT_FALSE(files.syncDirectory((dir / "missing").string()));
  EXPECT_EQ(files.readFile(dir.string(), 100), std::nullopt) << "a directory";
}

TEST(PosixFileSystem, DirectoriesAreMadeWithTheirParentsOrFoundMade) {
  const fs::path dir = test::freshTestDirectory("fs");
  PosixFileSystem files;
  const fs::path deep = dir / "a/b/c";
  EXPECT_FALSE(files.makeDirectory(deep.string(), 0700)) << "its parent is missing";
  EXPECT_TRUE(files.makeDirectories(deep.string(), 0700));
  struct stat st {};
  ASSERT_EQ(::stat(deep.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0700u);
  EXPECT_TRUE(files.makeDirectory(deep.string(), 0755)) << "made before";
  EXPECT_TRUE(files.makeDirectories(deep.string(), 0755));
  std::ofstream(dir / "file") << "x";
  EXPECT_FALSE(files.makeDirectory((dir / "file").string(), 0700)) << "a file is there";
  EXPECT_FALSE(files.makeDirectories((dir / "file/below").string(), 0700));
  EXPECT_FALSE(files.makeDirectories("relative/path", 0700));
}

}  // namespace
}  // namespace plugscope
