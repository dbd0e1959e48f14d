// The real agent executables, each under its own temporary HOME and XDG
// directories.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>

#include "shared/advice_json.h"
#include "shared/snapshot_json.h"
#include "test_support.h"

namespace plugscope {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

constexpr const char* kGroup = "5L9QH2TR7M.io.plugscope.shared";

using test::readAll;

// Polls `done` until it holds or a generous deadline passes.
bool waitFor(const std::function<bool()>& done, std::chrono::seconds limit = 20s) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(50ms);
  }
  return true;
}

// Replaces a file the way demos and tests are told to: write aside, rename.
void replaceFile(const fs::path& path, const std::string& bytes) {
  fs::create_directories(path.parent_path());
  const fs::path aside = path.string() + ".new";
  std::ofstream(aside, std::ios::binary) << bytes;
  fs::rename(aside, path);
}

// One agent process with HOME and every XDG directory inside `root`; ended
// with SIGTERM, as the system ends it.
class RunningAgent {
 public:
  RunningAgent(const std::string& program, const fs::path& root) : root_(root) {
    fs::create_directories(root / "home");
    std::vector<std::string> env = {
        "HOME=" + (root / "home").string(),         "XDG_DATA_HOME=" + (root / "data").string(),
        "XDG_CONFIG_HOME=" + (root / "config").string(), "XDG_CACHE_HOME=" + (root / "cache").string(),
        "XDG_RUNTIME_DIR=" + (root / "run").string(), "PATH=/usr/bin:/bin",
    };
    if (const char* asan = std::getenv("ASAN_OPTIONS")) env.push_back(std::string("ASAN_OPTIONS=") + asan);
    if (const char* ubsan = std::getenv("UBSAN_OPTIONS")) env.push_back(std::string("UBSAN_OPTIONS=") + ubsan);
    std::vector<char*> envp;
    for (auto& e : env) envp.push_back(e.data());
    envp.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    const std::string out = (root / "stdout").string(), err = (root / "stderr").string();
    posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    std::string path = program;
    char* argv[] = {path.data(), nullptr};
    if (posix_spawn(&pid_, path.c_str(), &actions, nullptr, argv, envp.data()) != 0) pid_ = -1;
    posix_spawn_file_actions_destroy(&actions);
  }
  ~RunningAgent() { terminate(); }

  bool started() const { return pid_ > 0; }
  bool stillRunning() { return pid_ > 0 && ::waitpid(pid_, nullptr, WNOHANG) == 0; }
  void terminate() {
    if (pid_ <= 0) return;
    ::kill(pid_, SIGTERM);
    ::waitpid(pid_, nullptr, 0);
    pid_ = -1;
  }
  std::string printed() const { return readAll(root_ / "stdout") + readAll(root_ / "stderr"); }

 private:
  fs::path root_;
  pid_t pid_ = -1;
};

struct FileStamp {
  ino_t inode = 0;
  timespec modified{};
  bool operator==(const FileStamp& o) const {
    return inode == o.inode && modified.tv_sec == o.modified.tv_sec &&
           modified.tv_nsec == o.modified.tv_nsec;
  }
};

FileStamp stampOf(const fs::path& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return {};
  return {st.st_ino, st.st_mtim};
}

fs::path freshRoot(const std::string& tag) { return test::freshDirectory("e2e-" + tag); }

std::optional<Snapshot> storedSnapshot(const fs::path& file) {
  return decodeSnapshotOrNone(readAll(file));
}

TEST(AgentEndToEnd, PublishesAtLaunchAndLeavesTheFileAloneWhileNothingChanges) {
  const fs::path root = freshRoot("plugscope");
  const std::string program = test::builtProgram("src/agent/plugscope");
  const fs::path snapshot = root / "data" / kGroup / "snapshot.json";
  const fs::path entry = root / "config/autostart/plugscope.desktop";
  const fs::path reload = root / "run" / kGroup / "reload";

  RunningAgent agent(program, root);
  ASSERT_TRUE(agent.started()) << program;
  ASSERT_TRUE(waitFor([&] { return storedSnapshot(snapshot) && fs::exists(entry); }))
      << "no snapshot or autostart entry; printed: " << agent.printed();
  EXPECT_NE(readAll(entry).find("Exec=\"" + fs::canonical(program).string() + "\"\n"),
            std::string::npos)
      << readAll(entry);
  ASSERT_TRUE(waitFor([&] { return readAll(reload) == "1\n"; })) << readAll(reload);

  const FileStamp published = stampOf(snapshot);
  const std::string content = readAll(snapshot);
  std::this_thread::sleep_for(5s);  // two ticks and more
  EXPECT_TRUE(agent.stillRunning());
  EXPECT_EQ(stampOf(snapshot), published) << "an unchanged tick rewrote the file";
  EXPECT_EQ(readAll(reload), "1\n") << "an unchanged tick requested a reload";

  agent.terminate();
  EXPECT_EQ(readAll(snapshot), content);
  EXPECT_EQ(agent.printed(), "");
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(snapshot.parent_path())) names.push_back(e.path().filename());
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"advice.json", "snapshot.json"}));
  // The advice beside it is about this snapshot: the same taken.
  const auto advice = decodeAdviceOrNone(readAll(snapshot.parent_path() / "advice.json"));
  ASSERT_TRUE(advice);
  EXPECT_EQ(advice->taken, storedSnapshot(snapshot)->taken);
}

TEST(AgentEndToEnd, DemoAgentPublishesEachFixtureReplacement) {
  const fs::path root = freshRoot("demo");
  const fs::path registry = root / "data/plugscope-demo/registry.json";
  const fs::path snapshot = root / "data" / kGroup / "snapshot.json";
  const fs::path reload = root / "run" / kGroup / "reload";
  auto expected = [](const std::string& name) {
    auto decoded = decodeSnapshotOrNone(test::readFixture(name + ".expected.json"));
    EXPECT_TRUE(decoded) << name;
    return decoded.value_or(Snapshot{});
  };
  auto shows = [&](const Snapshot& wanted) {
    auto stored = storedSnapshot(snapshot);
    return stored && stored->ports == wanted.ports && stored->chargerWatts == wanted.chargerWatts;
  };
  const Snapshot battery = expected("laptop-on-battery");
  const Snapshot dock = expected("laptop-dock-display-charger");

  RunningAgent agent(test::builtProgram("src/agent/plugscope-demo-agent"), root);
  ASSERT_TRUE(agent.started());
  ASSERT_TRUE(waitFor([&] { return shows(Snapshot{}) && readAll(reload) == "1\n"; }))
      << "launch without a fixture publishes no ports; printed: " << agent.printed();

  replaceFile(registry, test::readFixture("laptop-on-battery.json"));
  EXPECT_TRUE(waitFor([&] { return shows(battery) && readAll(reload) == "2\n"; }))
      << readAll(snapshot) << " / " << readAll(reload);
  const double firstTaken = storedSnapshot(snapshot).value_or(Snapshot{}).taken.seconds;

  replaceFile(registry, test::readFixture("laptop-dock-display-charger.json"));
  EXPECT_TRUE(waitFor([&] { return shows(dock) && readAll(reload) == "3\n"; }))
      << readAll(snapshot) << " / " << readAll(reload);
  EXPECT_GT(storedSnapshot(snapshot).value_or(Snapshot{}).taken.seconds, firstTaken);

  // A broken or missing fixture keeps the last registry: nothing changes.
  const FileStamp published = stampOf(snapshot);
  replaceFile(registry, R"({"entries":[{"classes":[]}]})");
  std::this_thread::sleep_for(2500ms);
  fs::remove(registry);
  std::this_thread::sleep_for(2500ms);
  EXPECT_EQ(stampOf(snapshot), published);
  EXPECT_EQ(readAll(reload), "3\n");

  replaceFile(registry, test::readFixture("laptop-on-battery.json"));
  EXPECT_TRUE(waitFor([&] { return shows(battery) && readAll(reload) == "4\n"; }))
      << readAll(snapshot) << " / " << readAll(reload);
  EXPECT_TRUE(agent.stillRunning());
  agent.terminate();
  EXPECT_EQ(agent.printed(), "");
}

}  // namespace
}  // namespace plugscope
