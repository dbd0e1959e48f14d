// The real host, the real plug-in and the demo agent, run as processes
// under temporary XDG directories.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "temporary_directory.h"
#include "test_support.h"

namespace plugscope {
namespace {

namespace fs = std::filesystem;
using SteadyClock = std::chrono::steady_clock;

const std::string kHost = std::string(PLUGSCOPE_BINARY_DIR) + "/bin/plugscope-widget-host";
const std::string kDemoAgent =
    std::string(PLUGSCOPE_BINARY_DIR) + "/src/agent/plugscope-demo-agent";

// A child process with its standard output and error on pipes; killed and
// reaped when it goes out of scope.
class Child {
 public:
  Child(const std::vector<std::string>& args, const std::vector<std::string>& env) {
    int out[2];
    int err[2];
    if (::pipe2(out, O_CLOEXEC) != 0 || ::pipe2(err, O_CLOEXEC) != 0) return;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_adddup2(&actions, err[1], 2);
    std::vector<char*> argv;
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    std::vector<char*> envp;
    for (const auto& e : env) envp.push_back(const_cast<char*>(e.c_str()));
    envp.push_back(nullptr);
    if (::posix_spawn(&pid_, args[0].c_str(), &actions, nullptr, argv.data(), envp.data()) != 0) {
      pid_ = -1;
    }
    posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);
    ::close(err[1]);
    out_ = out[0];
    err_ = err[0];
  }
  ~Child() {
    if (pid_ > 0 && !exited_) {
      ::kill(pid_, SIGTERM);
      ::waitpid(pid_, nullptr, 0);
    }
    if (out_ >= 0) ::close(out_);
    if (err_ >= 0) ::close(err_);
  }
  Child(const Child&) = delete;
  Child& operator=(const Child&) = delete;

  bool started() const { return pid_ > 0; }

  // Reads standard output until `done` holds for what was read, the
  // output ends, or `seconds` pass. Returns whether `done` held.
  bool readUntil(const std::function<bool(const std::string&)>& done, double seconds) {
    const auto deadline = SteadyClock::now() + std::chrono::duration<double>(seconds);
    while (!done(stdout_)) {
      const auto left =
          std::chrono::duration_cast<std::chrono::milliseconds>(deadline - SteadyClock::now());
      if (left.count() <= 0) return false;
      pollfd p{out_, POLLIN, 0};
      if (::poll(&p, 1, static_cast<int>(left.count())) <= 0) continue;
      char buffer[4096];
      const ssize_t n = ::read(out_, buffer, sizeof buffer);
      if (n <= 0) return done(stdout_);
      stdout_.append(buffer, static_cast<std::size_t>(n));
    }
    return true;
  }

  // Waits for the exit (at most `seconds`), reading all output; the exit
  // status, or -1 when it did not exit in time.
  int finish(double seconds) {
    readUntil([](const std::string&) { return false; }, seconds);
    char buffer[4096];
    for (ssize_t n; (n = ::read(err_, buffer, sizeof buffer)) > 0;) {
      stderr_.append(buffer, static_cast<std::size_t>(n));
    }
    // The output has ended; the exit follows within moments.
    int status = 0;
    const auto deadline = SteadyClock::now() + std::chrono::duration<double>(seconds);
    while (::waitpid(pid_, &status, WNOHANG) != pid_) {
      if (SteadyClock::now() > deadline) return -1;
      ::usleep(10000);
    }
    exited_ = true;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  }

  const std::string& out() const { return stdout_; }
  const std::string& err() const { return stderr_; }

 private:
  pid_t pid_ = -1;
  int out_ = -1;
  int err_ = -1;
  bool exited_ = false;
  std::string stdout_;
  std::string stderr_;
};

// Temporary home and XDG directories for one test, removed afterwards.
class Sandbox {
 public:
  Sandbox() {
    root_ = test::makeTemporaryDirectory("plugscope-widget").string();
  }
  ~Sandbox() {
    std::error_code ignored;
    if (!root_.empty()) fs::remove_all(root_, ignored);
  }
  std::vector<std::string> environment(const std::string& locale = "C.UTF-8") const {
    return {"HOME=" + root_ + "/home",
            "XDG_DATA_HOME=" + root_ + "/data",
            "XDG_CONFIG_HOME=" + root_ + "/config",
            "XDG_CACHE_HOME=" + root_ + "/cache",
            "XDG_RUNTIME_DIR=" + root_ + "/run",
            "PATH=/usr/bin:/bin",
            "LC_ALL=" + locale};
  }
  std::string container() const { return root_ + "/data/5L9QH2TR7M.io.plugscope.shared"; }
  std::string demoRegistry() const { return root_ + "/data/plugscope-demo/registry.json"; }

  // Replaces `path` whole, as the agent and the demos do.
  static void replace(const std::string& path, const std::string& bytes) {
    fs::create_directories(fs::path(path).parent_path());
    const std::string temporary = path + ".new";
    std::ofstream(temporary, std::ios::binary) << bytes;
    fs::rename(temporary, path);
  }

 private:
  std::string root_;
};

// The last complete render of a host writing to a pipe.
std::string lastRender(const std::string& output) {
  const std::string separator = "---\n";
  const auto end = output.rfind(separator);
  if (end == std::string::npos) return "";
  const auto start = output.rfind(separator, end == 0 ? 0 : end - 1);
  return start == std::string::npos || start == end
             ? output.substr(0, end)
             : output.substr(start + separator.size(), end - start - separator.size());
}

bool contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

TEST(WidgetHostEndToEnd, FollowsTheDemoAgentsPublicationsWithoutRestarting) {
  ASSERT_TRUE(fs::exists(kHost)) << kHost;
  ASSERT_TRUE(fs::exists(kDemoAgent)) << kDemoAgent;
  Sandbox sandbox;
  Sandbox::replace(sandbox.demoRegistry(), test::readFixture("laptop-on-battery.json"));

  Child agent({kDemoAgent}, sandbox.environment());
  ASSERT_TRUE(agent.started());
  Child host({kHost, "--format", "tree"}, sandbox.environment());
  ASSERT_TRUE(host.started());

  // Three unplugged ports, no charger.
  const auto onBattery = [](const std::string& out) {
    const std::string render = lastRender(out);
    return contains(render, "Text \"USB-C 3\"") && !contains(render, "bolt.fill") &&
           !contains(render, "\"Connected\"");
  };
  ASSERT_TRUE(host.readUntil(onBattery, 30)) << host.out();

  // The dock, display, phone and charger arrive; the agent publishes; the
  // same host draws them.
  Sandbox::replace(sandbox.demoRegistry(), test::readFixture("laptop-dock-display-charger.json"));
  const auto loaded = [](const std::string& out) {
    const std::string render = lastRender(out);
    return contains(render, "Label \"96 W\" \"bolt.fill\"") &&
           contains(render, "Text \"iPhone\"") && contains(render, "Text \"USB-C 4\"") &&
           contains(render, "Label \"Charging the Mac \u00b7 96 W\"");
  };
  EXPECT_TRUE(host.readUntil(loaded, 30)) << host.out();
}

TEST(WidgetHostEndToEnd, OnceShowsTheStoredSnapshotInTheUsersLanguage) {
  ASSERT_TRUE(fs::exists(kHost)) << kHost;
  Sandbox sandbox;
  Sandbox::replace(
      sandbox.container() + "/snapshot.json",
      R"({"ports":[{"id":"p1","number":1,"connected":true,"protocols":[],)"
      R"("device":"Drive","smartCable":false,"activeCable":false,"opticalCable":false,)"
      R"("powerIn":true}],"chargerWatts":30,"taken":5})");
  {
    Child host({kHost, "--once", "--format", "text", "--family", "large"}, sandbox.environment());
    EXPECT_EQ(host.finish(30), 0) << host.err();
    EXPECT_TRUE(contains(host.out(), "\u2301 Cables")) << host.out();
    EXPECT_TRUE(contains(host.out(), "\u21af Charging the Mac \u00b7 30 W")) << host.out();
    EXPECT_FALSE(contains(host.out(), "---"));
    EXPECT_EQ(host.err(), "");
  }
  {
    Child host({kHost, "--once", "--format", "tree"}, sandbox.environment("de_DE.UTF-8"));
    EXPECT_EQ(host.finish(30), 0) << host.err();
    EXPECT_TRUE(contains(host.out(), "Text \"Kabel\" font=headline")) << host.out();
    EXPECT_TRUE(contains(host.out(), "Label \"L\u00e4dt den Mac \u00b7 30 W\"")) << host.out();
    EXPECT_TRUE(contains(host.out(), "Text \"Drive\"")) << host.out();
  }
}

TEST(WidgetHostEndToEnd, HintsAboutTheDrawnSnapshotFollowTheBoxInTheUsersLanguage) {
  ASSERT_TRUE(fs::exists(kHost)) << kHost;
  Sandbox sandbox;
  Sandbox::replace(
      sandbox.container() + "/snapshot.json",
      R"({"ports":[{"id":"p1","number":1,"connected":true,"protocols":[],"smartCable":false,)"
      R"("activeCable":false,"opticalCable":false,"powerIn":true}],"chargerWatts":45,"taken":5})");
  const auto advise = [&](const char* taken) {
    Sandbox::replace(sandbox.container() + "/advice.json",
                     std::string(R"({"taken":)") + taken +
                         R"(,"advice":[{"port":1,"hint":"charger-too-weak",)"
                         R"("values":{"offerWatts":45,"needWatts":65},"text":"not shown"}]})");
  };
  const auto show = [&](const char* format, const char* locale) {
    Child host({kHost, "--once", "--format", format}, sandbox.environment(locale));
    EXPECT_EQ(host.finish(30), 0) << host.err();
    return host.out();
  };
  advise("5");
  EXPECT_TRUE(contains(show("text", "C.UTF-8"), "\u256f\nUSB-C 1: The charger gives 45 W; this laptop asks"))
      << show("text", "C.UTF-8");
  EXPECT_TRUE(contains(show("ansi", "de_DE.UTF-8"), "USB-C 1: Das Netzteil liefert 45 W;"))
      << show("ansi", "de_DE.UTF-8");
  EXPECT_FALSE(contains(show("tree", "C.UTF-8"), "USB-C 1:"));
  // Advice of another snapshot is never shown.
  advise("4");
  EXPECT_FALSE(contains(show("text", "C.UTF-8"), "USB-C 1:"));
}

TEST(WidgetHostEndToEnd, BadArgumentsAndBadPluginsGiveOneLineAndStatus2) {
  ASSERT_TRUE(fs::exists(kHost)) << kHost;
  Sandbox sandbox;
  const std::string notAPlugin = test::fixturePath("laptop-on-battery.json");
  const std::vector<std::vector<std::string>> cases = {
      {"--family", "huge"},
      {"--format", "html"},
      {"--bogus"},
      {"--once", "extra"},
      {"--extension", "/nonexistent/PlugscopeWidget.so"},
      {"--extension", notAPlugin},
      {"--extension", "libc.so.6"},
  };
  for (const auto& arguments : cases) {
    std::vector<std::string> command{kHost, "--once"};
    command.insert(command.end(), arguments.begin(), arguments.end());
    Child host(command, sandbox.environment());
    const int status = host.finish(30);
    const std::string name = arguments.back();
    EXPECT_EQ(status, 2) << name;
    EXPECT_EQ(host.out(), "") << name;
    ASSERT_FALSE(host.err().empty()) << name;
    EXPECT_EQ(host.err().find('\n'), host.err().size() - 1) << name << ": " << host.err();
    EXPECT_EQ(host.err().rfind("plugscope-widget-host: ", 0), 0u) << host.err();
  }
}

}  // namespace
}  // namespace plugscope
