#pragma once

#include <clocale>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "scanner/memory_registry.h"
#include "shared/snapshot.h"

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

// A new, empty directory under the test's own temporary directory, named
// `tag` plus a unique suffix (mkdtemp).
std::filesystem::path freshDirectory(const std::string& tag);

// Contents of a bundled fixture file; fails the test when missing.
std::string readFixture(const std::string& name);

// Loads a registry from fixture-format JSON text; fails the test on error.
MemoryRegistry registryFromJson(const std::string& json);

// A port as the scanner makes it before it learns anything, with a device
// name when given.
PortStatus port(std::int64_t number, bool connected,
                std::optional<std::string> device = std::nullopt);

// The bundled laptop with a 96 W charger, a phone, a dock and a display, as
// its expected snapshot; fails the test when that does not read.
Snapshot dockLaptop();

// Switches the whole locale (and LANGUAGE, which gettext prefers) for one test.
class ScopedLocale {
 public:
  explicit ScopedLocale(const char* name) : previous_(std::setlocale(LC_ALL, nullptr)) {
    if (const char* language = std::getenv("LANGUAGE")) language_ = language;
    ::unsetenv("LANGUAGE");
    ok_ = std::setlocale(LC_ALL, name) != nullptr;
  }
  ~ScopedLocale() {
    std::setlocale(LC_ALL, previous_.c_str());
    if (language_) ::setenv("LANGUAGE", language_->c_str(), 1);
  }
  bool ok() const { return ok_; }

 private:
  std::string previous_;
  std::optional<std::string> language_;
  bool ok_ = false;
};

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

// Runs a program to its end with the given arguments (no shell), standard
// input from /dev/null, and collects its output.
ProgramResult runProgram(const std::string& path, const std::vector<std::string>& args);

}  // namespace plugscope::test
