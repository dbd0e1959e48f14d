#pragma once

// The one way tests make a temporary directory. Header-only, so that
// programs that run before a test's own home exists (the private-bus and
// umockdev mains) and the benchmarks can use it too.
#include <stdlib.h>

#include <filesystem>
#include <string>
#include <system_error>

namespace plugscope::test {

// A new, empty directory in `parent`, named `tag` plus a unique suffix
// (mkdtemp, so mode 0700 and never an existing one). `parent` defaults to
// the temporary directory of the environment ($TMPDIR, which every test
// binary points into its own fresh home). Empty on failure.
inline std::filesystem::path makeTemporaryDirectory(const std::string& tag,
                                                    std::filesystem::path parent = {}) {
  std::error_code error;
  if (parent.empty()) parent = std::filesystem::temp_directory_path(error);
  if (error || parent.empty()) return {};
  std::string pattern = (parent / (tag + "-XXXXXX")).string();
  if (!::mkdtemp(pattern.data())) return {};
  return pattern;
}

}  // namespace plugscope::test
