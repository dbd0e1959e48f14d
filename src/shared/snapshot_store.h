#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "shared/advice.h"
#include "shared/file_system.h"
#include "shared/snapshot.h"

namespace plugscope {

// The shared directory of agent and widget; created when missing; none when
// it cannot be found or made.
class ContainerLocator {
 public:
  virtual ~ContainerLocator() = default;
  virtual std::optional<std::string> containerDirectory() const = 0;
};

inline constexpr const char* kSnapshotFileName = "snapshot.json";
// The hints about the snapshot of the same `taken`, beside it.
inline constexpr const char* kAdviceFileName = "advice.json";

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

// The snapshot file, and the advice file beside it, in the shared
// container. Keeps no state: every call looks the container up afresh.
// Nothing fails loudly: a save that cannot be done writes nothing, a load
// that cannot be done gives none.
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

  // <container>/advice.json, saved and loaded as the snapshot is: atomically
  // replaced, true when the file now holds the advice; none unless a
  // readable file of at most kMaxSnapshotFileBytes decodes.
  std::optional<std::string> adviceFileLocation() const;
  bool saveAdvice(const Advice& advice) const;
  std::optional<Advice> loadAdvice() const;

 private:
  const ContainerLocator& locator_;
  FileSystem& files_;
};

}  // namespace plugscope
