#include "platform/linux/registry/fixture_file_registry_source.h"

#include <gtest/gtest.h>

#include <fstream>

#include "map_environment.h"

namespace plugscope {
namespace {

namespace fs = std::filesystem;

std::size_t entriesOf(RegistrySource& source) {
  return source.current()->matching("IOService").size();
}

TEST(FixtureFileRegistrySource, RereadsAndKeepsTheLastGoodRegistry) {
  const fs::path dir = test::freshTestDirectory("fixture-source");
  const fs::path file = dir / "registry.json";
  FixtureFileRegistrySource source(file.string());
  EXPECT_EQ(entriesOf(source), 0u) << "empty before the first file";

  std::ofstream(file) << R"({"entries":[{"classes":["IOService"],"children":[{"classes":["IOService"]}]}]})";
  EXPECT_EQ(entriesOf(source), 2u);
  std::ofstream(file) << R"({"entries":[{"classes":[]}]})";
  EXPECT_EQ(entriesOf(source), 2u) << "malformed: the last registry stays";
  fs::remove(file);
  EXPECT_EQ(entriesOf(source), 2u) << "missing: the last registry stays";
  std::ofstream(file) << R"({"entries":[{"classes":["IOService"]}]})";
  EXPECT_EQ(entriesOf(source), 1u);

  FixtureFileRegistrySource nowhere(std::nullopt);
  EXPECT_EQ(entriesOf(nowhere), 0u);
}

}  // namespace
}  // namespace plugscope
