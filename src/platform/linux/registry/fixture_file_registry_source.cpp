#include "platform/linux/registry/fixture_file_registry_source.h"

#include "platform/linux/system/read_file.h"
#include "scanner/registry_fixture.h"

namespace plugscope {

FixtureFileRegistrySource::FixtureFileRegistrySource(std::optional<std::string> path)
    : path_(std::move(path)), last_(std::make_shared<MemoryRegistry>()) {}

std::shared_ptr<const RegistryAccess> FixtureFileRegistrySource::current() {
  if (!path_) return last_;
  std::string error;
  auto text = readWholeFile(*path_, error, kMaxRegistryFixtureBytes);
  if (!text) return last_;
  if (auto registry = loadRegistryFixture(*text, error)) {
    last_ = std::make_shared<const MemoryRegistry>(std::move(*registry));
  }
  return last_;
}

}  // namespace plugscope
