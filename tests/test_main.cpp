// Every test binary's main: each run gets a home of its own.
//
// Before any test runs, a fresh directory from mkdtemp becomes HOME, every
// XDG directory, TMPDIR and gtest's TempDir(), so that nothing a test (or a
// program it starts, or a library under it: fontconfig, GLib, Mesa) writes
// lands in the real home, and two runs of the suite at once, from two
// presets or two checkouts, never share a file. ctest runs each test in a
// process of its own, so each test gets its own directory. It is removed
// afterwards unless PLUGSCOPE_KEEP_TEST_HOME is set.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "temporary_directory.h"

namespace {

std::filesystem::path isolateHome() {
  const std::filesystem::path root = plugscope::test::makeTemporaryDirectory("plugscope-test");
  if (root.empty()) {
    std::perror("mkdtemp");
    std::exit(1);
  }
  const std::pair<const char*, const char*> places[] = {
      {"HOME", "home"},           {"XDG_CONFIG_HOME", "config"}, {"XDG_DATA_HOME", "data"},
      {"XDG_CACHE_HOME", "cache"}, {"XDG_STATE_HOME", "state"},   {"XDG_RUNTIME_DIR", "run"},
      {"TMPDIR", "tmp"},          {"TEST_TMPDIR", "tmp"},
  };
  for (const auto& [variable, folder] : places) {
    const std::filesystem::path path = root / folder;
    std::filesystem::create_directories(path);
    ::chmod(path.c_str(), 0700);
    ::setenv(variable, path.c_str(), 1);
  }
  return root;
}

}  // namespace

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  const std::filesystem::path root = isolateHome();
  const int status = RUN_ALL_TESTS();
  if (!std::getenv("PLUGSCOPE_KEEP_TEST_HOME")) {
    std::error_code ignored;
    std::filesystem::remove_all(root, ignored);
  }
  return status;
}
