#pragma once

#include <memory>
#include <optional>
#include <string>

#include "scanner/memory_registry.h"
#include "scanner/registry_source.h"

namespace plugscope {

// A registry fixture file, re-read at every call. When the file is missing,
// unreadable, larger than kMaxRegistryFixtureBytes or malformed, the last
// registry read is given again (an empty one before the first).
class FixtureFileRegistrySource final : public RegistrySource {
 public:
  static constexpr std::size_t kMaxRegistryFixtureBytes = 64u << 20;

  explicit FixtureFileRegistrySource(std::optional<std::string> path);
  std::shared_ptr<const RegistryAccess> current() override;

 private:
  std::optional<std::string> path_;
  std::shared_ptr<const MemoryRegistry> last_;
};

}  // namespace plugscope
