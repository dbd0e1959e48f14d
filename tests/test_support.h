#pragma once

#include <string>

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

}  // namespace plugscope::test
