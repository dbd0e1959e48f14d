// Runs the tests on a session bus of their own: the program starts itself
// again under dbus-run-session, with HOME and every XDG directory in a fresh
// temporary directory, and passes on the inner run's exit status.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "temporary_directory.h"

namespace {

constexpr const char* kInsideMarker = "PLUGSCOPE_TEST_PRIVATE_BUS";

int runUnderPrivateBus(int argc, char** argv) {
  namespace fs = std::filesystem;
  const fs::path home = plugscope::test::makeTemporaryDirectory("plugscope-bus");
  if (home.empty()) return 2;
  for (const auto& [name, folder] : {std::pair{"XDG_CONFIG_HOME", "config"},
                                     {"XDG_DATA_HOME", "data"},
                                     {"XDG_CACHE_HOME", "cache"},
                                     {"XDG_STATE_HOME", "state"},
                                     {"XDG_RUNTIME_DIR", "run"}}) {
    fs::create_directory(home / folder);
    ::setenv(name, (home / folder).c_str(), 1);
  }
  fs::permissions(home / "run", fs::perms::owner_all);
  ::setenv("HOME", home.c_str(), 1);
  ::setenv(kInsideMarker, "1", 1);
  // GLib 2.74 hands out small blocks (variants among them) from slabs of
  // its own, which LeakSanitizer cannot see into; from malloc, a variant
  // that is never released is a leak it reports.
  ::setenv("G_SLICE", "always-malloc", 1);

  const std::string self = fs::read_symlink("/proc/self/exe");
  std::vector<char*> args = {const_cast<char*>("dbus-run-session"), const_cast<char*>("--"),
                             const_cast<char*>(self.c_str())};
  for (int i = 1; i < argc; ++i) args.push_back(argv[i]);
  args.push_back(nullptr);

  int status = 2;
  const pid_t child = ::fork();
  if (child == 0) {
    ::execv(PLUGSCOPE_DBUS_RUN_SESSION, args.data());
    ::_exit(127);
  }
  if (child > 0) {
    int raw = 0;
    while (::waitpid(child, &raw, 0) < 0 && errno == EINTR) {
    }
    status = WIFEXITED(raw) ? WEXITSTATUS(raw) : 2;
  }
  std::error_code ignored;
  fs::remove_all(home, ignored);
  return status;
}

}  // namespace

int main(int argc, char** argv) {
  if (!std::getenv(kInsideMarker)) return runUnderPrivateBus(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
