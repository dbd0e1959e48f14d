#include "platform/linux/agent/spawn_process_runner.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "platform/linux/system/unique_fd.h"

extern char** environ;

namespace plugscope {
namespace {

using SteadyClock = std::chrono::steady_clock;

// Waits for and reaps a started child; kills its whole group first unless
// it was seen to exit on its own.
class Child {
 public:
  explicit Child(pid_t pid) : pid_(pid) {}
  ~Child() {
    if (pid_ > 0) killAndReap();
  }
  Child(const Child&) = delete;
  Child& operator=(const Child&) = delete;

  // Waits until the child has exited or `deadline` has passed; true when it
  // exited (and was reaped).
  bool waitUntil(SteadyClock::time_point deadline) {
    const UniqueFd pidFd(static_cast<int>(::syscall(SYS_pidfd_open, pid_, 0)));
    for (;;) {
      const pid_t done = ::waitpid(pid_, nullptr, WNOHANG);
      if (done == pid_ || (done < 0 && errno != EINTR)) {
        pid_ = -1;
        return true;
      }
      const auto left = deadline - SteadyClock::now();
      if (left <= SteadyClock::duration::zero()) return false;
      const auto leftMs = std::chrono::ceil<std::chrono::milliseconds>(left).count();
      if (pidFd.get() >= 0) {
        // The descriptor turns readable when the child exits.
        pollfd entry{pidFd.get(), POLLIN, 0};
        ::poll(&entry, 1, static_cast<int>(std::min<long long>(leftMs, 60'000)));
      } else {
        // Kernels without pidfd: check again shortly.
        std::this_thread::sleep_for(std::min(left, SteadyClock::duration(std::chrono::milliseconds(10))));
      }
    }
  }

  void killAndReap() {
    ::kill(-pid_, SIGKILL);
    while (::waitpid(pid_, nullptr, 0) < 0 && errno == EINTR) {
    }
    pid_ = -1;
  }

 private:
  pid_t pid_;
};

struct SpawnSetup {
  posix_spawn_file_actions_t actions;
  posix_spawnattr_t attributes;
  SpawnSetup() {
    posix_spawn_file_actions_init(&actions);
    posix_spawnattr_init(&attributes);
  }
  ~SpawnSetup() {
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
  }
  SpawnSetup(const SpawnSetup&) = delete;
  SpawnSetup& operator=(const SpawnSetup&) = delete;
};

// Moves a descriptor above the standard ones, so that the child's dup2 onto
// descriptor 1 never meets itself when the agent runs with 0-2 closed.
UniqueFd aboveStandardDescriptors(UniqueFd fd) {
  if (fd.get() > STDERR_FILENO) return fd;
  return UniqueFd(::fcntl(fd.get(), F_DUPFD_CLOEXEC, STDERR_FILENO + 1));
}

}  // namespace

std::optional<std::string> SpawnProcessRunner::run(const std::string& path,
                                                   const std::vector<std::string>& arguments,
                                                   std::size_t outputLimit) {
  if (path.empty() || path.front() != '/') return std::nullopt;
  const auto deadline = SteadyClock::now() + timeLimit_;

  int ends[2];
  if (::pipe2(ends, O_CLOEXEC) != 0) return std::nullopt;
  const UniqueFd readEnd = aboveStandardDescriptors(UniqueFd(ends[0]));
  UniqueFd writeEnd = aboveStandardDescriptors(UniqueFd(ends[1]));
  if (readEnd.get() < 0 || writeEnd.get() < 0) return std::nullopt;

  SpawnSetup setup;
  sigset_t signals;
  sigemptyset(&signals);
  posix_spawnattr_setsigmask(&setup.attributes, &signals);
  sigfillset(&signals);
  posix_spawnattr_setsigdefault(&setup.attributes, &signals);
  posix_spawnattr_setpgroup(&setup.attributes, 0);
  posix_spawnattr_setflags(&setup.attributes,
                           POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
  posix_spawn_file_actions_adddup2(&setup.actions, writeEnd.get(), STDOUT_FILENO);
  posix_spawn_file_actions_addopen(&setup.actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);

  std::vector<char*> argv;
  argv.reserve(arguments.size() + 2);
  argv.push_back(const_cast<char*>(path.c_str()));
  for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);

  pid_t pid = -1;
  if (::posix_spawn(&pid, path.c_str(), &setup.actions, &setup.attributes, argv.data(), environ) !=
      0) {
    return std::nullopt;
  }
  Child child(pid);
  // Only the child may hold the write end, or the read never sees the end.
  writeEnd.reset();

  std::string output;
  char buffer[65536];
  for (;;) {
    const auto left = deadline - SteadyClock::now();
    if (left <= SteadyClock::duration::zero()) return std::nullopt;
    const auto leftMs = std::chrono::ceil<std::chrono::milliseconds>(left).count();
    pollfd entry{readEnd.get(), POLLIN, 0};
    const int ready = ::poll(&entry, 1, static_cast<int>(std::min<long long>(leftMs, 60'000)));
    if (ready < 0 && errno != EINTR) return std::nullopt;
    if (ready <= 0) continue;
    const ssize_t n = ::read(readEnd.get(), buffer, sizeof buffer);
    if (n < 0) {
      if (errno == EINTR || errno == EAGAIN) continue;
      return std::nullopt;
    }
    if (n == 0) break;
    if (output.size() + static_cast<std::size_t>(n) > outputLimit) return std::nullopt;
    output.append(buffer, static_cast<std::size_t>(n));
  }
  if (!child.waitUntil(deadline)) return std::nullopt;
  return output;
}

}  // namespace plugscope
