#pragma once

#include <filesystem>
#include <map>
#include <optional>
#include <string>

#include <gtest/gtest.h>

#include "platform/linux/system/xdg_dirs.h"
#include "test_support.h"

namespace plugscope::test {

// An environment given by the test; no password-database home unless set.
class MapEnvironment final : public Environment {
 public:
  std::optional<std::string> get(const std::string& name) const override {
    auto found = variables.find(name);
    if (found == variables.end()) return std::nullopt;
    return found->second;
  }
  std::optional<std::string> passwordHome() const override { return home; }

  std::map<std::string, std::string> variables;
  std::optional<std::string> home;
};

// A fresh, empty directory of the running test's own.
inline std::filesystem::path freshTestDirectory(const std::string& tag) {
  return freshDirectory(tag);
}

}  // namespace plugscope::test
