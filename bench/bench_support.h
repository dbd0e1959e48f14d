#pragma once

#include <stdexcept>
#include <string>

#include "platform/linux/system/read_file.h"
#include "scanner/registry_fixture.h"

namespace plugscope::bench {

inline std::string fixtureText(const std::string& name) {
  std::string error;
  auto text = readWholeFile(std::string(PLUGSCOPE_FIXTURES_DIR) + "/" + name, error);
  if (!text) throw std::runtime_error(name + ": " + error);
  return *text;
}

inline MemoryRegistry loadFixture(const std::string& name) {
  std::string error;
  auto registry = loadRegistryFixture(fixtureText(name), error);
  if (!registry) throw std::runtime_error(name + ": " + error);
  return std::move(*registry);
}

}  // namespace plugscope::bench
