#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "scanner/memory_registry.h"

namespace plugscope::test {

// Path of a bundled fixture file.
inline std::string fixturePath(const std::string& name) {
  return std::string(PLUGSCOPE_FIXTURES_DIR) + "/" + name;
}

// The whole content of a file, byte for byte; empty when it cannot be read.
inline std::string readAll(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Contents of a bundled fixture file; fails the test when missing.
std::string readFixture(const std::string& name);

// Loads a registry from fixture-format JSON text; fails the test on error.
MemoryRegistry registryFromJson(const std::string& json);

// Path of a program built in this tree, e.g. builtProgram("tools/plugscope-scan").
inline std::string builtProgram(const std::string& relative) {
  return std::string(PLUGSCOPE_BINARY_DIR) + "/" + relative;
}

struct ProgramResult {
  int exitStatus = -1;  // -1 when the program did not exit normally
  std::string out;
  std::string err;
};

// A command-line tool refused its input: status 2, nothing on stdout, and
// exactly one line on stderr that mentions `mention`.
void expectUsageError(const ProgramResult& result, const std::string& mention,
                      const std::string& context);

// Points HOME and every XDG base directory of this process, and so of the
// programs it starts, into `dir` until destroyed, then restores them.
class ScopedHome {
 public:
  explicit ScopedHome(const std::string& dir) {
    for (const char* name : {"HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME",
                             "XDG_RUNTIME_DIR", "XDG_STATE_HOME"}) {
      const char* old = std::getenv(name);
      saved_[name] = old ? std::optional<std::string>(old) : std::nullopt;
      ::setenv(name, dir.c_str(), 1);
    }
  }
  ~ScopedHome() {
    for (const auto& [name, value] : saved_) {
      if (value) ::setenv(name.c_str(), value->c_str(), 1);
      else ::unsetenv(name.c_str());
    }
  }
  ScopedHome(const ScopedHome&) = delete;
  ScopedHome& operator=(const ScopedHome&) = delete;

 private:
  std::map<std::string, std::optional<std::string>> saved_;
};

// Runs a program to its end with the given arguments (no shell), standard
// input from /dev/null, and collects its output.
ProgramResult runProgram(const std::string& path, const std::vector<std::string>& args);

}  // namespace plugscope::test
