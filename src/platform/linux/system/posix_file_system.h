#pragma once

#include "shared/snapshot_store.h"

namespace plugscope {

// FileSystem over POSIX calls. Temporary files are created with mkostemp
// (O_EXCL, so never through a link) and close-on-exec.
class PosixFileSystem final : public FileSystem {
 public:
  std::unique_ptr<WritableFile> createTemporaryFile(const std::string& directory,
                                                    const std::string& prefix,
                                                    unsigned mode) override;
  bool rename(const std::string& from, const std::string& to) override;
  bool remove(const std::string& path) override;
  bool syncDirectory(const std::string& directory) override;
  std::optional<std::vector<std::string>> listDirectory(const std::string& directory) override;
  std::optional<std::string> readFile(const std::string& path, std::size_t limit) override;
  bool makeDirectory(const std::string& path, unsigned mode) override;
};

}  // namespace plugscope
