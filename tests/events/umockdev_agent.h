#pragma once

// The live agent in a umockdev test bed: one Type-C connector whose partner
// the caller plugs and unplugs, announcing each change with a uevent that
// umockdev delivers to the agent's udev monitor. Shared by the device event
// tests and the event latency benchmark.

#include <umockdev.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <link.h>
#include <optional>
#include <sys/prctl.h>
#include <string>
#include <string_view>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "shared/snapshot_json.h"
#include "temporary_directory.h"

namespace plugscope::test {

inline constexpr const char* kUmockdevPreload = "libumockdev-preload.so.0";

// Runs this program again with umockdev's preload library, which redirects
// /sys into the test bed and uevents to udev monitors, so that the program
// and the agents it starts share one test bed. A sanitized build must keep
// its runtime first in the preload list, so it goes before umockdev's.
// HOME, TMPDIR and every XDG directory are pointed into one fresh directory,
// made here and returned on the second run.
inline std::filesystem::path runUnderUmockdev(char** argv) {
  const char* preload = std::getenv("LD_PRELOAD");
  if (preload && std::string_view(preload).find(kUmockdevPreload) != std::string_view::npos) {
    return std::getenv("PLUGSCOPE_EVENTS_ROOT");
  }
  const std::string root = makeTemporaryDirectory("plugscope-events").string();
  if (root.empty()) std::abort();
  ::setenv("PLUGSCOPE_EVENTS_ROOT", root.c_str(), 1);
  for (const char* name : {"HOME", "TMPDIR", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME",
                           "XDG_RUNTIME_DIR", "XDG_STATE_HOME"}) {
    ::setenv(name, root.c_str(), 1);
  }
  std::string list;
  dl_iterate_phdr(
      [](dl_phdr_info* info, std::size_t, void* out) {
        if (std::string_view(info->dlpi_name).find("/libasan.so") != std::string_view::npos) {
          *static_cast<std::string*>(out) = std::string(info->dlpi_name) + ":";
        }
        return 0;
      },
      &list);
  list += kUmockdevPreload;
  if (preload && *preload) list += std::string(":") + preload;
  ::setenv("LD_PRELOAD", list.c_str(), 1);
  ::execv("/proc/self/exe", argv);
  std::abort();
}

// The whole file, or "" when it cannot be read.
inline std::string fileText(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class UmockdevAgent {
 public:
  using Clock = std::chrono::steady_clock;
  static constexpr const char* kGroup = "5L9QH2TR7M.io.plugscope.shared";

  // A test bed with connector port0 (a sink, nothing attached) and `agent`
  // running in it, with its files under `root`.
  UmockdevAgent(const std::string& agent, const std::filesystem::path& root)
      : root_(root), testbed_(umockdev_testbed_new()) {
    gchar* bed = umockdev_testbed_get_root_dir(testbed_);
    bed_ = bed;
    g_free(bed);
    gchar* port = umockdev_testbed_add_device(testbed_, "typec", "port0", nullptr, "power_role",
                                              "source [sink]", "data_role", "[host] device",
                                              nullptr, nullptr);
    port_ = port;
    g_free(port);
    start(agent);
  }
  ~UmockdevAgent() {
    if (pid_ > 0) {
      ::kill(pid_, SIGTERM);
      ::waitpid(pid_, nullptr, 0);
    }
    g_object_unref(testbed_);
    std::error_code ignored;
    std::filesystem::remove_all(bed_, ignored);
  }
  UmockdevAgent(const UmockdevAgent&) = delete;
  UmockdevAgent& operator=(const UmockdevAgent&) = delete;

  bool started() const { return pid_ > 0; }
  pid_t pid() const { return pid_; }

  // True once the agent has published its launch snapshot and its monitor
  // listens (umockdev makes one socket per monitor in the test bed).
  bool waitUntilListening(std::chrono::milliseconds limit) {
    const auto waited = waitFor(limit, [&] {
      if (!connected().has_value() || reloads() < 1) return false;
      for (const auto& entry : std::filesystem::directory_iterator(bed_)) {
        if (entry.path().filename().string().starts_with("event")) return true;
      }
      return false;
    });
    return waited.has_value();
  }

  bool plugged() const { return !partner_.empty(); }

  // Attaches a partner and announces it as the kernel does, with "add".
  // Returns when the event went out.
  Clock::time_point plug() {
    gchar* partner = umockdev_testbed_add_device(testbed_, "typec", "port0-partner",
                                                 port_.c_str(), nullptr, nullptr);
    partner_ = partner;
    g_free(partner);
    const auto emitted = Clock::now();
    umockdev_testbed_uevent(testbed_, partner_.c_str(), "add");
    return emitted;
  }

  // Detaches the partner, announced either as the partner's "remove" or
  // only as a "change" of the connector. umockdev can only announce a
  // device it still sees, so "remove" goes out just before the removal.
  Clock::time_point unplug(bool asRemove) {
    auto emitted = Clock::now();
    if (asRemove) umockdev_testbed_uevent(testbed_, partner_.c_str(), "remove");
    umockdev_testbed_remove_device(testbed_, partner_.c_str());
    partner_.clear();
    if (!asRemove) {
      emitted = Clock::now();
      umockdev_testbed_uevent(testbed_, port_.c_str(), "change");
    }
    return emitted;
  }

  // Announces a "change" of the connector without changing anything, as
  // role and power updates do.
  Clock::time_point touch() {
    const auto emitted = Clock::now();
    umockdev_testbed_uevent(testbed_, port_.c_str(), "change");
    return emitted;
  }

  // The stored snapshot's port0 state; none without a snapshot or a port.
  std::optional<bool> connected() const {
    auto snapshot = decodeSnapshotOrNone(fileText(snapshotFile()));
    if (!snapshot || snapshot->ports.size() != 1) return std::nullopt;
    return snapshot->ports[0].connected;
  }

  // The reload stamp, 0 before the first request.
  long reloads() const { return std::atol(fileText(root_ / "run" / kGroup / "reload").c_str()); }

  std::filesystem::path snapshotFile() const { return root_ / "data" / kGroup / "snapshot.json"; }

  // Polls every millisecond until `done` holds, at most `limit` after
  // `since`; the time from `since` until it held, or none.
  template <typename Done>
  static std::optional<Clock::duration> waitFor(Clock::time_point since,
                                                std::chrono::milliseconds limit, Done done) {
    while (!done()) {
      if (Clock::now() - since > limit) return std::nullopt;
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return Clock::now() - since;
  }
  template <typename Done>
  static std::optional<Clock::duration> waitFor(std::chrono::milliseconds limit, Done done) {
    return waitFor(Clock::now(), limit, done);
  }

 private:
  void start(const std::string& agent) {
    std::filesystem::create_directories(root_ / "home");
    std::vector<std::string> env = {
        "HOME=" + (root_ / "home").string(),
        "XDG_DATA_HOME=" + (root_ / "data").string(),
        "XDG_CONFIG_HOME=" + (root_ / "config").string(),
        "XDG_CACHE_HOME=" + (root_ / "cache").string(),
        "XDG_RUNTIME_DIR=" + (root_ / "run").string(),
        "XDG_STATE_HOME=" + (root_ / "state").string(),
        "PATH=/usr/bin:/bin",
        "UMOCKDEV_DIR=" + bed_,
    };
    for (const char* inherited : {"LD_PRELOAD", "ASAN_OPTIONS", "UBSAN_OPTIONS", "LSAN_OPTIONS"}) {
      if (const char* value = std::getenv(inherited)) env.push_back(std::string(inherited) + "=" + value);
    }
    std::vector<char*> envp;
    for (auto& e : env) envp.push_back(e.data());
    envp.push_back(nullptr);
    std::string path = agent;
    char* argv[] = {path.data(), nullptr};
    const pid_t parent = ::getpid();
    pid_ = ::fork();
    if (pid_ == 0) {
      // The agent never ends by itself: it goes with a test that dies.
      ::prctl(PR_SET_PDEATHSIG, SIGTERM);
      if (::getppid() != parent) ::_exit(1);
      const int input = ::open("/dev/null", O_RDONLY);
      ::dup2(input, 0);
      ::execve(path.c_str(), argv, envp.data());
      ::_exit(127);
    }
  }

  std::filesystem::path root_;
  UMockdevTestbed* testbed_;
  std::string bed_;
  std::string port_;
  std::string partner_;
  pid_t pid_ = -1;
};

}  // namespace plugscope::test
