// Helpers shared by the test binaries.
#include <gtest/gtest.h>

#include "platform/linux/read_file.h"
#include "scanner/registry_fixture.h"
#include "test_support.h"

namespace plugscope::test {

std::string readFixture(const std::string& name) {
  std::string error;
  auto text = readWholeFile(fixturePath(name), error);
  EXPECT_TRUE(text) << name << ": " << error;
  return text.value_or("");
}

MemoryRegistry registryFromJson(const std::string& json) {
  std::string error;
  auto registry = loadRegistryFixture(json, error);
  EXPECT_TRUE(registry) << error;
  return registry ? std::move(*registry) : MemoryRegistry{};
}

}  // namespace plugscope::test
