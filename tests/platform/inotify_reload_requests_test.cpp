#include "platform/linux/host/inotify_reload_requests.h"
#include "platform/linux/system/posix_file_system.h"
#include "test_support.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <thread>

namespace plugscope {
namespace {

namespace fs = std::filesystem;
using Wait = ReloadRequests::Wait;

class InotifyReloadRequestsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = test::freshDirectory("plugscope-reload").string();
    directory_ = root_ + "/run/group";
  }
  void TearDown() override {
    std::error_code ignored;
    fs::remove_all(root_, ignored);
  }
  // As the agent does it: a temporary file renamed over "reload".
  void publish(const std::string& name = "reload") {
    std::ofstream(directory_ + "/.reload.tmp") << "1\n";
    fs::rename(directory_ + "/.reload.tmp", directory_ + "/" + name);
  }

  PosixFileSystem files_;
  std::string root_;
  std::string directory_;
};

TEST_F(InotifyReloadRequestsTest, CreatesTheMissingDirectoryPrivately) {
  InotifyReloadRequests requests(directory_, files_);
  EXPECT_TRUE(requests.watching());
  struct stat st {};
  ASSERT_EQ(::stat(directory_.c_str(), &st), 0);
  EXPECT_TRUE(S_ISDIR(st.st_mode));
  EXPECT_EQ(st.st_mode & 0777, 0700u);
}

TEST_F(InotifyReloadRequestsTest, AReplacedReloadFileIsOneRequest) {
  InotifyReloadRequests requests(directory_, files_);
  EXPECT_EQ(requests.waitFor(0.05), Wait::timedOut);
  publish();
  publish();  // two before anyone waits: one request
  EXPECT_EQ(requests.waitFor(5), Wait::requested);
  EXPECT_EQ(requests.waitFor(0.05), Wait::timedOut);
}

TEST_F(InotifyReloadRequestsTest, AFileWrittenInPlaceCountsToo) {
  InotifyReloadRequests requests(directory_, files_);
  std::ofstream(directory_ + "/reload") << "7\n";
  EXPECT_EQ(requests.waitFor(5), Wait::requested);
}

TEST_F(InotifyReloadRequestsTest, OtherFilesAreNotRequests) {
  InotifyReloadRequests requests(directory_, files_);
  publish("snapshot.json");
  std::ofstream(directory_ + "/reload.bak") << "x";
  EXPECT_EQ(requests.waitFor(0.2), Wait::timedOut);
}

TEST_F(InotifyReloadRequestsTest, WakesUpWhenARequestArrivesWhileWaiting) {
  InotifyReloadRequests requests(directory_, files_);
  std::thread agent([this] {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    publish();
  });
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(requests.waitFor(30), Wait::requested);
  agent.join();
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
}

TEST_F(InotifyReloadRequestsTest, WatchesTheDirectoryAgainWhenItIsReplaced) {
  struct Row {
    const char* name;
    void (*replace)(const std::string& directory);
  };
  const Row rows[] = {
      {"removed", [](const std::string& directory) { fs::remove_all(directory); }},
      {"moved away and made again",
       [](const std::string& directory) {
         fs::rename(directory, directory + ".old");
         fs::create_directory(directory);
       }},
  };
  for (const Row& row : rows) {
    fs::remove_all(root_);
    InotifyReloadRequests requests(directory_, files_);
    row.replace(directory_);
    EXPECT_EQ(requests.waitFor(0.2), Wait::timedOut) << row.name;
    EXPECT_TRUE(fs::is_directory(directory_)) << row.name;
    publish();
    EXPECT_EQ(requests.waitFor(5), Wait::requested) << row.name;
  }
}

TEST_F(InotifyReloadRequestsTest, WithoutADirectoryItOnlyWaits) {
  InotifyReloadRequests none(std::nullopt, files_);
  EXPECT_FALSE(none.watching());
  EXPECT_EQ(none.waitFor(0.05), Wait::timedOut);
  // A directory that cannot be made (its parent is a file).
  std::ofstream(root_ + "/file") << "x";
  InotifyReloadRequests blocked(root_ + "/file/group", files_);
  EXPECT_FALSE(blocked.watching());
  EXPECT_EQ(blocked.waitFor(0.05), Wait::timedOut);
}

}  // namespace
}  // namespace plugscope
