#pragma once

#include <string>
#include <vector>

#include "scanner/memory_registry.h"

namespace plugscope::test {

// Path of a bundled fixture file.
inline std::string fixturePath(const std::string& name) {
  return std::string(PLUGSCOPE_FIXTURES_DIR) + "/" + name;
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

// Runs a program to its end with the given arguments (no shell), standard
// input from /dev/null, and collects its output.
ProgramResult runProgram(const std::string& path, const std::vector<std::string>& args);

}  // namespace plugscope::test
