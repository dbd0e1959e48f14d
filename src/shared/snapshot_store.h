#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "shared/snapshot.h"

namespace plugscope {

// The shared directory of agent and widget; created when missing; none when
// it cannot be found or made.
class ContainerLocator {
 public:
  virtual ~ContainerLocator() = default;
  virtual std::optional<std::string> containerDirectory() const = 0;
};

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

// The file operations the store and the agent's other writers need, so that
// tests can make any single step fail. Paths are absolute; every failure is
// a false or a none, never an exception.
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
};

inline constexpr const char* kSnapshotFileName = "snapshot.json";

// A snapshot file is a few kilobytes; anything beyond this is not one and
// is not read into memory.
inline constexpr std::size_t kMaxSnapshotFileBytes = 16u << 20;

// Makes `directory`/`name` hold exactly `bytes`, so that a reader sees the
// old content or the new one and never a mixture: the bytes go into a new
// file "." + name + "." + suffix in the same directory, which is flushed
// (when `flush`) and renamed over `name`, after which the directory is
// flushed. Leftovers of that prefix from an earlier, interrupted writer are
// removed first. On failure the temporary file is removed, the old file stays
// whole, and the result is false.
bool replaceFileAtomically(FileSystem& files, const std::string& directory,
                           const std::string& name, std::string_view bytes, unsigned mode,
                           bool flush);

// The snapshot file in the shared container. Keeps no state: every call
// looks the container up afresh. Nothing fails loudly: a save that cannot
// be done writes nothing, a load that cannot be done gives none.
class SnapshotStore {
 public:
  SnapshotStore(const ContainerLocator& locator, FileSystem& files);

  // <container>/snapshot.json; none without a container.
  std::optional<std::string> snapshotFileLocation() const;
  // Encodes and atomically replaces the file; true when the file now holds
  // the snapshot. Without a container, when the snapshot holds a non-finite
  // number, or when any step of the write fails, nothing is written, the old
  // file stays whole and the result is false. A snapshot beyond the readers'
  // bounds is still written: readers then scan live, as for any file they
  // cannot read, and a save that always failed would be retried forever.
  bool saveSnapshot(const Snapshot& snapshot) const;
  // The stored snapshot exactly as written; none without a container, a
  // readable file of at most kMaxSnapshotFileBytes, or decodable content.
  std::optional<Snapshot> loadSnapshot() const;

 private:
  const ContainerLocator& locator_;
  FileSystem& files_;
};

}  // namespace plugscope
