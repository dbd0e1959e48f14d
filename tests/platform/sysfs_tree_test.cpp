#include <gtest/gtest.h>

#include <sys/stat.h>

#include "platform/linux/registry/sysfs_tree.h"
#include "sysfs_fake_tree.h"

namespace plugscope {
namespace {

bool sysfsDigitsOnly(const std::string& text) {
  return !text.empty() && text.find_first_not_of("0123456789") == std::string::npos;
}

class SysfsTreeTest : public ::testing::Test {
 protected:
  SysfsDirectory root() const { return SysfsTree(tree.root()).open(); }
  test::FakeSysfs tree;
};

TEST_F(SysfsTreeTest, ReadsOnlyRegularFilesWithinTheCap) {
  tree.file("a/plain", "source [sink]\n");
  tree.file("a/empty", "");
  tree.file("a/two-pages", std::string(5000, 'p') + "\n");
  tree.file("a/at-cap", std::string(SysfsDirectory::kMaxAttributeBytes, 'c'));
  tree.file("a/over-cap", std::string(SysfsDirectory::kMaxAttributeBytes + 1, 'o'));
  tree.directory("a/dir");
  ASSERT_EQ(::mkfifo(tree.at("a/fifo").c_str(), 0600), 0);  // would block a plain open
  tree.link("a/via-link", "a/plain");
  tree.link("a/dangling", "a/nothing");
  std::filesystem::create_symlink("loop", tree.at("a/loop"));

  const SysfsDirectory dir = root().directory("a");
  ASSERT_TRUE(dir.valid());
  EXPECT_EQ(dir.read("plain"), "source [sink]");
  EXPECT_EQ(dir.read("empty"), "");
  EXPECT_EQ(dir.read("two-pages"), std::string(5000, 'p'));
  EXPECT_EQ(dir.read("at-cap")->size(), SysfsDirectory::kMaxAttributeBytes);
  EXPECT_EQ(dir.read("via-link"), "source [sink]");
  for (const char* name : {"over-cap", "dir", "fifo", "dangling", "loop", "missing", ""}) {
    EXPECT_EQ(dir.read(name), std::nullopt) << name;
  }
  EXPECT_EQ(root().read("a/plain"), "source [sink]");
}

TEST_F(SysfsTreeTest, ListsSortedNamesOfDirectoriesOnly) {
  for (const char* name : {"b", "a", "c"}) tree.file(std::string("d/") + name, "");
  tree.link("d/link", "d/a");
  tree.link("linked-dir", "d");

  EXPECT_EQ(root().list("d"), (std::vector<std::string>{"a", "b", "c", "link"}));
  EXPECT_EQ(root().list("linked-dir"), (std::vector<std::string>{"a", "b", "c", "link"}));
  EXPECT_EQ(root().directory("d").list(), (std::vector<std::string>{"a", "b", "c", "link"}));
  EXPECT_TRUE(root().list("d/a").empty());
  EXPECT_TRUE(root().list("missing").empty());
  EXPECT_TRUE(root().isDirectory("linked-dir"));
  EXPECT_FALSE(root().isDirectory("d/link"));
}

TEST_F(SysfsTreeTest, LinkTargetsAreTheStoredTextUnresolved) {
  tree.file("f", "");
  std::filesystem::create_symlink("../x/usb4_port1", tree.at("dangling"));
  std::filesystem::create_symlink("self", tree.at("self"));
  EXPECT_EQ(root().linkTarget("dangling"), "../x/usb4_port1");
  EXPECT_EQ(root().linkTarget("self"), "self");
  EXPECT_EQ(root().linkTarget("f"), std::nullopt);
  EXPECT_EQ(root().linkTarget("missing"), std::nullopt);
}

TEST(SysfsTreeLive, KernelSysfsReadsFilesAndRefusesDirectories) {
  // The kernel's tree skips the file-type check; the open must still
  // refuse what is not an attribute.
  const SysfsDirectory sys = SysfsTree("/sys").open();
  if (!sys.isDirectory("kernel")) GTEST_SKIP() << "no kernel sysfs at /sys";
  EXPECT_EQ(sys.read("kernel"), std::nullopt);
  EXPECT_EQ(sys.read("kernel/no-such-attribute"), std::nullopt);
  const auto seqnum = sys.read("kernel/uevent_seqnum");
  if (seqnum) {
    EXPECT_TRUE(sysfsDigitsOnly(*seqnum)) << *seqnum;
  }
}

TEST_F(SysfsTreeTest, AnUnopenableRootFailsEveryRead) {
  tree.file("file", "x\n");
  for (const std::string& path : {tree.root() + "/missing", tree.root() + "/file", std::string()}) {
    const SysfsDirectory dir = SysfsTree(path).open();
    EXPECT_FALSE(dir.valid()) << path;
    EXPECT_EQ(dir.read("file"), std::nullopt) << path;
    EXPECT_TRUE(dir.list().empty()) << path;
    EXPECT_FALSE(dir.directory("x").valid()) << path;
    EXPECT_FALSE(dir.isDirectory("")) << path;
  }
}

}  // namespace
}  // namespace plugscope
