// A writer saving through the real store is killed at random moments, over
// and over, while a reader loads the file without pause: every load must
// give one of the two saved snapshots whole, and the next save that runs to
// its end must leave nothing but the snapshot file in the container. The
// same with advice: a writer publishing as the agent does, killed at random,
// while a reader reads as every host does; no read ever pairs a snapshot
// with the advice of another.
//
// PLUGSCOPE_CRASH_KILLS sets the number of kills (default 300; a third of
// them for the advice); scripts/crash-campaign runs the advice's for long.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <memory>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "alternating_snapshots.h"
#include "host/advice_reader.h"
#include "platform/linux/posix_file_system.h"
#include "platform/linux/xdg_container_locator.h"
#include "platform/map_environment.h"
#include "shared/snapshot_json.h"
#include "shared/snapshot_store.h"

extern char** environ;

namespace plugscope {
namespace {

int numberFromEnvironment(const char* name, int fallback) {
  const char* text = std::getenv(name);
  if (!text || !*text) return fallback;
  return std::max(1, std::atoi(text));
}

int killsFromEnvironment() { return numberFromEnvironment("PLUGSCOPE_CRASH_KILLS", 300); }

// The test's own environment with HOME and XDG_DATA_HOME replaced.
class ChildEnvironment {
 public:
  ChildEnvironment(const std::string& home, const std::string& dataHome) {
    for (char** entry = environ; *entry; ++entry) {
      const std::string_view text = *entry;
      if (text.starts_with("HOME=") || text.starts_with("XDG_DATA_HOME=")) continue;
      strings_.emplace_back(text);
    }
    strings_.push_back("HOME=" + home);
    strings_.push_back("XDG_DATA_HOME=" + dataHome);
    for (std::string& s : strings_) pointers_.push_back(s.data());
    pointers_.push_back(nullptr);
  }
  char** get() { return pointers_.data(); }

 private:
  std::vector<std::string> strings_;
  std::vector<char*> pointers_;
};

// One run of plugscope-snapshot-writer; killed and reaped when dropped.
class WriterProcess {
 public:
  WriterProcess(std::vector<std::string> arguments, ChildEnvironment& env) {
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC) != 0) return;
    readyFd_ = ends[0];
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, ends[1], STDOUT_FILENO);
    arguments.insert(arguments.begin(), PLUGSCOPE_SNAPSHOT_WRITER);
    std::vector<char*> argv;
    for (std::string& a : arguments) argv.push_back(a.data());
    argv.push_back(nullptr);
    if (::posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), env.get()) != 0) pid_ = -1;
    posix_spawn_file_actions_destroy(&actions);
    ::close(ends[1]);
  }
  ~WriterProcess() {
    if (pid_ > 0) {
      ::kill(pid_, SIGKILL);
      reap();
    }
    if (readyFd_ >= 0) ::close(readyFd_);
  }
  WriterProcess(const WriterProcess&) = delete;
  WriterProcess& operator=(const WriterProcess&) = delete;

  bool started() const { return pid_ > 0; }

  // True once the writer has said "ready"; false when it ended first.
  bool waitUntilReady() {
    std::string seen;
    char buffer[16];
    while (seen.find('\n') == std::string::npos) {
      pollfd entry{readyFd_, POLLIN, 0};
      if (::poll(&entry, 1, 60'000) <= 0) return false;
      const ssize_t n = ::read(readyFd_, buffer, sizeof buffer);
      if (n <= 0) return false;
      seen.append(buffer, static_cast<std::size_t>(n));
    }
    return seen == "ready\n";
  }

  // The wait status.
  int reap() {
    int status = 0;
    while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
    }
    pid_ = -1;
    return status;
  }
  int killAndReap() {
    ::kill(pid_, SIGKILL);
    return reap();
  }

 private:
  pid_t pid_ = -1;
  int readyFd_ = -1;
};

// Loads the snapshot without pause until stopped and sorts every load.
class ContinuousReader {
 public:
  ContinuousReader(const std::string& dataHome, std::string snapshotPath)
      : snapshotPath_(std::move(snapshotPath)) {
    env_.variables["XDG_DATA_HOME"] = dataHome;
    thread_ = std::thread([this] { readUntilStopped(); });
  }
  ~ContinuousReader() { stop(); }

  void stop() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
  }

  std::atomic<long> loads{0}, small{0}, large{0}, bad{0};
  std::string firstBad() {
    const std::lock_guard lock(mutex_);
    return firstBad_;
  }

 private:
  void readUntilStopped() {
    const Snapshot expected[2] = {test::smallSnapshot(), test::largeSnapshot()};
    PosixFileSystem files;
    const XdgContainerLocator locator(env_, files);
    const SnapshotStore store(locator, files);
    bool fileExists = false;
    while (!stop_) {
      // The file is never removed once there, so from here on every load
      // must succeed.
      fileExists = fileExists || ::access(snapshotPath_.c_str(), F_OK) == 0;
      const auto loaded = store.loadSnapshot();
      if (!loaded && !fileExists) continue;
      ++loads;
      if (loaded == expected[0]) {
        ++small;
      } else if (loaded == expected[1]) {
        ++large;
      } else {
        ++bad;
        const std::lock_guard lock(mutex_);
        if (firstBad_.empty()) firstBad_ = loaded ? "another snapshot" : "no snapshot";
      }
    }
  }

  test::MapEnvironment env_;
  std::string snapshotPath_;
  std::atomic<bool> stop_{false};
  std::thread thread_;
  std::mutex mutex_;
  std::string firstBad_;
};

std::vector<std::string> entriesOf(const std::string& directory) {
  auto names = PosixFileSystem().listDirectory(directory).value_or(std::vector<std::string>{});
  std::sort(names.begin(), names.end());
  return names;
}

TEST(CrashConsistency, KilledWritersNeverLeaveAPartialSnapshotOrAStrayFile) {
  const int kills = killsFromEnvironment();
  const auto root = test::freshTestDirectory("crash");
  const std::string home = (root / "home").string();
  const std::string dataHome = (root / "data").string();
  const std::string container = dataHome + "/" + kAppGroupIdentifier;
  const std::string snapshotPath = container + "/" + kSnapshotFileName;
  std::filesystem::create_directories(home);
  ChildEnvironment env(home, dataHome);

  const unsigned seed = std::random_device{}();
  SCOPED_TRACE("seed " + std::to_string(seed));
  std::mt19937 random(seed);
  // A save with its two flushes takes a few milliseconds on a disk; this
  // lands anywhere in the first two or three.
  std::uniform_int_distribution<int> delayMicroseconds(0, 12'000);

  // Runs the writer to its end for exactly one save: afterwards the file
  // holds the other snapshot than before and nothing else is in the
  // container.
  PosixFileSystem files;
  const auto cleanSave = [&] {
    const auto before = files.readFile(snapshotPath, kMaxSnapshotFileBytes);
    const auto expected = encodeSnapshot(before == encodeSnapshot(test::smallSnapshot())
                                             ? test::largeSnapshot()
                                             : test::smallSnapshot());
    WriterProcess writer({"--saves", "1"}, env);
    ASSERT_TRUE(writer.started());
    const int status = writer.reap();
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;
    EXPECT_EQ(entriesOf(container), std::vector<std::string>{kSnapshotFileName});
    EXPECT_EQ(files.readFile(snapshotPath, kMaxSnapshotFileBytes), expected);
  };

  ContinuousReader reader(dataHome, snapshotPath);
  int leftTemporary = 0;
  for (int kill = 1; kill <= kills; ++kill) {
    {
      WriterProcess writer({}, env);
      ASSERT_TRUE(writer.started());
      ASSERT_TRUE(writer.waitUntilReady()) << "kill " << kill;
      std::this_thread::sleep_for(std::chrono::microseconds(delayMicroseconds(random)));
      const int status = writer.killAndReap();
      ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << "kill " << kill;
    }
    if (entriesOf(container).size() > 1) ++leftTemporary;
    if (kill % 50 == 0) {
      ASSERT_NO_FATAL_FAILURE(cleanSave());
    }
  }
  ASSERT_NO_FATAL_FAILURE(cleanSave());
  reader.stop();

  std::cout << "[ figures  ] kills " << kills << ", killed mid-save (temporary file left) "
            << leftTemporary << ", loads " << reader.loads << " (small " << reader.small
            << ", large " << reader.large << "), bad " << reader.bad << '\n';
  EXPECT_EQ(reader.bad, 0) << "first bad load: " << reader.firstBad();
  // Both snapshots were seen, so the reader really raced the writer.
  if (kills >= 100) {
    EXPECT_GT(reader.small, 0);
    EXPECT_GT(reader.large, 0);
  }
}

// Reads as a host does, without pause: the snapshot, then the advice, paired
// by the hosts' own rule. Once a file is there, every read of it must give
// one of the publisher's documents whole (any taken), and hints shown must
// be about the snapshot shown.
class HostLikeReader {
 public:
  HostLikeReader(const std::string& dataHome, std::string container)
      : container_(std::move(container)) {
    env_.variables["XDG_DATA_HOME"] = dataHome;
    thread_ = std::thread([this] { readUntilStopped(); });
  }
  ~HostLikeReader() { stop(); }
  void stop() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
  }
  std::atomic<long> reads{0}, withHints{0}, badSnapshots{0}, badAdvice{0}, badPairs{0};
  std::string firstBad() {
    const std::lock_guard lock(mutex_);
    return firstBad_;
  }

 private:
  void readUntilStopped() {
    PosixFileSystem files;
    const XdgContainerLocator locator(env_, files);
    const SnapshotStore store(locator, files);
    const std::string snapshotPath = container_ + "/" + kSnapshotFileName;
    const std::string advicePath = container_ + "/" + kAdviceFileName;
    bool snapshotThere = false, adviceThere = false;
    while (!stop_) {
      // Neither file is ever removed once there, so from then on every
      // read of it must succeed.
      snapshotThere = snapshotThere || ::access(snapshotPath.c_str(), F_OK) == 0;
      adviceThere = adviceThere || ::access(advicePath.c_str(), F_OK) == 0;
      const auto snapshot = store.loadSnapshot();
      const auto advice = store.loadAdvice();
      if (!snapshotThere) continue;
      ++reads;
      if (!snapshot || !test::isPublishedSnapshot(*snapshot)) {
        bad(badSnapshots, snapshot ? "a snapshot the publisher never wrote" : "no snapshot");
        continue;
      }
      if (adviceThere && (!advice || !test::isPublishedAdvice(advice->entries))) {
        bad(badAdvice, advice ? "advice the publisher never wrote" : "no advice");
      }
      const auto hints = hintsMatching(advice, *snapshot).value_or(std::vector<AdviceEntry>{});
      if (hints.empty()) continue;
      ++withHints;
      if (hints != test::adviceAbout(*snapshot, 1) && hints != test::adviceAbout(*snapshot, 2)) {
        bad(badPairs, "hints about other ports");
      }
    }
  }
  void bad(std::atomic<long>& counter, const char* what) {
    ++counter;
    const std::lock_guard lock(mutex_);
    if (firstBad_.empty()) firstBad_ = what;
  }

  test::MapEnvironment env_;
  std::string container_;
  std::atomic<bool> stop_{false};
  std::thread thread_;
  std::mutex mutex_;
  std::string firstBad_;
};

// PLUGSCOPE_PUBLISHER_KILLS sets the kills (default a third of
// PLUGSCOPE_CRASH_KILLS), PLUGSCOPE_CRASH_READERS the readers (default 1).
TEST(CrashConsistency, KilledPublishersNeverPairASnapshotWithAdviceOfAnother) {
  const int kills = numberFromEnvironment("PLUGSCOPE_PUBLISHER_KILLS",
                                          std::max(1, killsFromEnvironment() / 3));
  const int readerCount = numberFromEnvironment("PLUGSCOPE_CRASH_READERS", 1);
  const auto root = test::freshTestDirectory("crash-advice");
  const std::string home = (root / "home").string();
  const std::string dataHome = (root / "data").string();
  const std::string container = dataHome + "/" + kAppGroupIdentifier;
  std::filesystem::create_directories(home);
  ChildEnvironment env(home, dataHome);
  PosixFileSystem files;
  test::MapEnvironment readerEnv;
  readerEnv.variables["XDG_DATA_HOME"] = dataHome;
  const XdgContainerLocator locator(readerEnv, files);
  const SnapshotStore store(locator, files);

  const unsigned seed = std::random_device{}();
  SCOPED_TRACE("seed " + std::to_string(seed));
  std::mt19937 random(seed);
  // A publication is two saves with their flushes: a few milliseconds.
  std::uniform_int_distribution<int> delayMicroseconds(0, 20'000);

  std::vector<std::unique_ptr<HostLikeReader>> readers;
  for (int i = 0; i < readerCount; ++i) {
    readers.push_back(std::make_unique<HostLikeReader>(dataHome, container));
  }
  int betweenSaves = 0, leftTemporary = 0;
  for (int kill = 1; kill <= kills; ++kill) {
    WriterProcess writer({"--advice"}, env);
    ASSERT_TRUE(writer.started());
    ASSERT_TRUE(writer.waitUntilReady()) << "kill " << kill;
    std::this_thread::sleep_for(std::chrono::microseconds(delayMicroseconds(random)));
    const int status = writer.killAndReap();
    ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << "kill " << kill;
    // Where the kill landed: after the advice of a publication and before
    // its snapshot, or inside a save.
    const auto advice = store.loadAdvice();
    const auto snapshot = store.loadSnapshot();
    if (advice && snapshot && advice->taken != snapshot->taken) ++betweenSaves;
    if (entriesOf(container).size() > 2) ++leftTemporary;
  }
  {
    // One publisher that runs to its end sweeps what the killed ones left
    // and leaves a pair that shows hints.
    WriterProcess writer({"--advice", "--saves", "4"}, env);
    ASSERT_TRUE(writer.started());
    const int status = writer.reap();
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;
  }
  long reads = 0, withHints = 0, badSnapshots = 0, badAdvice = 0, badPairs = 0;
  std::string firstBad;
  for (auto& reader : readers) {
    reader->stop();
    reads += reader->reads;
    withHints += reader->withHints;
    badSnapshots += reader->badSnapshots;
    badAdvice += reader->badAdvice;
    badPairs += reader->badPairs;
    if (firstBad.empty()) firstBad = reader->firstBad();
  }

  std::cout << "[ figures  ] kills " << kills << " (between the two saves " << betweenSaves
            << ", temporary file left " << leftTemporary << "), readers " << readerCount
            << ", reads " << reads << " (with hints " << withHints << "), bad snapshot reads "
            << badSnapshots << ", bad advice reads " << badAdvice << ", hints about other ports "
            << badPairs << '\n';
  EXPECT_EQ(badSnapshots + badAdvice + badPairs, 0) << "first: " << firstBad;
  const std::vector<std::string> pair{kAdviceFileName, kSnapshotFileName};
  EXPECT_EQ(entriesOf(container), pair);
  const auto snapshot = store.loadSnapshot();
  ASSERT_TRUE(snapshot);
  EXPECT_EQ(AdviceReader(store).hintsFor(*snapshot), test::adviceAbout(*snapshot, 2));
}

}  // namespace
}  // namespace plugscope
