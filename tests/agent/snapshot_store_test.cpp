#include "shared/snapshot_store.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <algorithm>
#include <limits>
#include <map>

#include "agent_fakes.h"
#include "platform/linux/posix_file_system.h"
#include "shared/snapshot_json.h"
#include "test_support.h"

namespace plugscope {
namespace {

namespace fs = std::filesystem;
using test::FixedLocator;
using test::MemoryFileSystem;

Snapshot sample(double taken) {
  PortStatus phone;
  phone.id = "Port-USB-C@1";
  phone.number = 1;
  phone.connected = true;
  phone.protocols = {"USB 3", "USB 2"};
  phone.speed = "10 Gbps";
  phone.device = "Phone \"X\"/2";
  phone.usbPowerWatts = 4.5;
  PortStatus empty;
  empty.id = "Port-USB-C@2";
  empty.number = 2;
  return {{phone, empty}, 96, {taken}};
}

using test::readAll;

std::vector<std::string> entries(const fs::path& directory) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(directory)) {
    names.push_back(entry.path().filename());
  }
  std::sort(names.begin(), names.end());
  return names;
}

// The store over the real file system in a fresh directory.
class SnapshotStoreOnDisk : public ::testing::Test {
 protected:
  void TearDown() override { fs::remove_all(directory_); }
  void write(const std::string& bytes) { std::ofstream(file(), std::ios::binary) << bytes; }
  fs::path file() const { return directory_ / "snapshot.json"; }

  fs::path directory_ = test::freshDirectory("store");
  PosixFileSystem files_;
  FixedLocator locator_{directory_.string()};
  SnapshotStore store_{locator_, files_};
};

TEST_F(SnapshotStoreOnDisk, SavedSnapshotLoadsBackEqual) {
  EXPECT_EQ(store_.snapshotFileLocation(), file().string());
  EXPECT_TRUE(store_.saveSnapshot(sample(60.5)));
  EXPECT_EQ(readAll(file()), *encodeSnapshot(sample(60.5)));
  EXPECT_EQ(store_.loadSnapshot(), sample(60.5));
}

TEST_F(SnapshotStoreOnDisk, AdviceIsSavedBesideTheSnapshotAndLoadsBackEqual) {
  const Advice advice{{60.5}, {{1, "charging-slowly", {{"reason", std::string("firmware")}}, "t"}}};
  EXPECT_EQ(store_.adviceFileLocation(), (directory_ / "advice.json").string());
  EXPECT_EQ(store_.loadAdvice(), std::nullopt);
  EXPECT_TRUE(store_.saveSnapshot(sample(60.5)));
  EXPECT_TRUE(store_.saveAdvice(advice));
  EXPECT_EQ(store_.loadAdvice(), advice);
  EXPECT_EQ(store_.loadSnapshot(), sample(60.5));
  EXPECT_EQ(entries(directory_), (std::vector<std::string>{"advice.json", "snapshot.json"}));
  std::ofstream(directory_ / "advice.json", std::ios::binary) << "{\"taken\":1,\"advice\":[";
  EXPECT_EQ(store_.loadAdvice(), std::nullopt) << "cut short";
  EXPECT_FALSE(store_.saveAdvice(Advice{{NAN}, {}}));
}

TEST_F(SnapshotStoreOnDisk, UnusableFilesLoadAsNone) {
  const std::string whole = *encodeSnapshot(sample(1));
  const std::pair<const char*, std::string> cases[] = {
      {"empty file", ""},
      {"empty object", "{}"},
      {"cut off in the middle", whole.substr(0, whole.size() / 2)},
      {"a port without powerIn", R"({"ports":[{"id":"a","number":1,"connected":true,"protocols":[],)"
                                 R"("smartCable":false,"activeCable":false,"opticalCable":false}],"taken":0})"},
  };
  EXPECT_EQ(store_.loadSnapshot(), std::nullopt) << "no file yet";
  for (const auto& [name, bytes] : cases) {
    write(bytes);
    EXPECT_EQ(store_.loadSnapshot(), std::nullopt) << name;
  }
}

TEST_F(SnapshotStoreOnDisk, FileFarLargerThanAnySnapshotIsNotRead) {
  write(*encodeSnapshot(sample(1)));
  fs::resize_file(file(), kMaxSnapshotFileBytes + 1);
  EXPECT_EQ(store_.loadSnapshot(), std::nullopt);
}

TEST_F(SnapshotStoreOnDisk, NonFiniteNumberWritesNothing) {
  store_.saveSnapshot(sample(1));
  const std::string before = readAll(file());
  for (const double bad : {std::nan(""), std::numeric_limits<double>::infinity()}) {
    Snapshot snapshot = sample(2);
    snapshot.ports[0].usbPowerWatts = bad;
    EXPECT_FALSE(store_.saveSnapshot(snapshot));
    EXPECT_EQ(readAll(file()), before);
    EXPECT_FALSE(store_.saveSnapshot(Snapshot{{}, {}, {-bad}}));
    EXPECT_EQ(readAll(file()), before);
  }
  EXPECT_EQ(entries(directory_), std::vector<std::string>{"snapshot.json"});
}

TEST_F(SnapshotStoreOnDisk, TwoSavesLeaveOneFileWithTheSecond) {
  store_.saveSnapshot(sample(1));
  store_.saveSnapshot(sample(2));
  EXPECT_EQ(entries(directory_), std::vector<std::string>{"snapshot.json"});
  EXPECT_EQ(store_.loadSnapshot(), sample(2));
}

TEST_F(SnapshotStoreOnDisk, LeftoversOfAKilledWriterAreRemoved) {
  std::ofstream(directory_ / ".snapshot.json.Ab12Cd") << "half a snap";
  std::ofstream(directory_ / "unrelated.txt") << "kept";
  store_.saveSnapshot(sample(3));
  EXPECT_EQ(entries(directory_), (std::vector<std::string>{"snapshot.json", "unrelated.txt"}));
}

TEST(SnapshotStore, NoContainerTouchesNothing) {
  MemoryFileSystem files;
  FixedLocator locator(std::nullopt);
  SnapshotStore store(locator, files);
  EXPECT_EQ(store.snapshotFileLocation(), std::nullopt);
  EXPECT_FALSE(store.saveSnapshot(sample(1)));
  EXPECT_EQ(store.loadSnapshot(), std::nullopt);
  EXPECT_TRUE(files.log.empty());
}

TEST(SnapshotStore, AnyFailedStepKeepsTheOldFileWholeAndLeavesNoTemporary) {
  struct Case {
    const char* name;
    MemoryFileSystem::Failures fail;
  };
  const Case cases[] = {
      {"create", {.create = true}}, {"short write", {.append = true}}, {"flush", {.sync = true}},
      {"close", {.close = true}},   {"rename", {.rename = true}},
  };
  for (const Case& c : cases) {
    MemoryFileSystem files;
    FixedLocator locator("/c");
    SnapshotStore store(locator, files);
    store.saveSnapshot(sample(1));
    const std::string before = files.files.at("/c/snapshot.json");
    files.fail = c.fail;
    EXPECT_FALSE(store.saveSnapshot(sample(2))) << c.name;
    EXPECT_EQ(files.files.size(), 1u) << c.name;
    EXPECT_EQ(files.files.at("/c/snapshot.json"), before) << c.name;
  }
}

// A save without one of its flushes, or with the rename before the flush,
// still leaves the right bytes in the file; only the order shows it.
TEST(SnapshotStore, SaveFlushesTheFileBeforeTheRenameAndTheDirectoryAfterIt) {
  const std::vector<std::string> save = {
      "create .snapshot.json.", "write", "flush", "close",
      "rename /c/.snapshot.json.1 -> /c/snapshot.json", "syncdir /c"};
  struct Case {
    const char* name;
    std::map<std::string, std::string> before;
    std::vector<std::string> removed;  // swept before the save
  };
  const Case cases[] = {
      {"first save", {}, {}},
      {"replacing the file", {{"/c/snapshot.json", "{}"}}, {}},
      {"after a killed writer", {{"/c/.snapshot.json.x7", "{\"po"}}, {"remove /c/.snapshot.json.x7"}},
  };
  for (const Case& c : cases) {
    MemoryFileSystem files;
    files.files = c.before;
    FixedLocator locator("/c");
    SnapshotStore store(locator, files);
    EXPECT_TRUE(store.saveSnapshot(sample(1))) << c.name;
    std::vector<std::string> expected = c.removed;
    expected.insert(expected.end(), save.begin(), save.end());
    EXPECT_EQ(files.log, expected) << c.name;
  }
}

}  // namespace
}  // namespace plugscope
