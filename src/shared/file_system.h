#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace plugscope {

// A new file being written. Destroying it closes the descriptor without
// flushing and leaves the file where it is.
class WritableFile {
 public:
  virtual ~WritableFile() = default;
  virtual const std::string& path() const = 0;
  // Writes all of `bytes` after what was written so far; false on any
  // short or failed write.
  virtual bool append(std::string_view bytes) = 0;
  // Flushes the file's contents to the storage device.
  virtual bool sync() = 0;
  virtual bool close() = 0;
};

// The file operations the store and the other writers need (the agent's
// reload requests and login item, the container, the hosts' reload watch,
// the desktop's settings and autostart entry), so that tests can make any
// single step fail: nothing creates a file or directory behind it. Paths
// are absolute; every failure is a false or a none, never an exception.
class FileSystem {
 public:
  virtual ~FileSystem() = default;
  // Creates a file named `prefix` + a unique suffix directly in `directory`,
  // exclusively and without following a link, with permission `mode`.
  virtual std::unique_ptr<WritableFile> createTemporaryFile(const std::string& directory,
                                                            const std::string& prefix,
                                                            unsigned mode) = 0;
  // Replaces `to` with `from` in one step (same directory).
  virtual bool rename(const std::string& from, const std::string& to) = 0;
  virtual bool remove(const std::string& path) = 0;
  // Makes the directory's entries (a rename) durable.
  virtual bool syncDirectory(const std::string& directory) = 0;
  // Names of the directory's entries, "." and ".." left out.
  virtual std::optional<std::vector<std::string>> listDirectory(const std::string& directory) = 0;
  // The whole regular file; none when it cannot be read or is larger than
  // `limit` bytes.
  virtual std::optional<std::string> readFile(const std::string& path, std::size_t limit) = 0;
  // Creates the one directory `path` with permission `mode` (less the
  // umask); its parent must exist. True when `path` is a directory
  // afterwards, made now or before.
  virtual bool makeDirectory(const std::string& path, unsigned mode) = 0;

  // Creates the absolute `path` with makeDirectory, and any missing parents
  // first (0755, the last one `mode`). True when it is a directory
  // afterwards; false for a relative path or when any step fails.
  bool makeDirectories(const std::string& path, unsigned mode);
};

}  // namespace plugscope
