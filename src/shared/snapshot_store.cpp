#include "shared/snapshot_store.h"

#include "shared/advice_json.h"
#include "shared/snapshot_json.h"

namespace plugscope {
namespace {

// Readable like any saved document; the container itself is private.
constexpr unsigned kSnapshotFileMode = 0644;

std::string joinPath(const std::string& directory, const std::string& name) {
  return directory + "/" + name;
}

}  // namespace

bool replaceFileAtomically(FileSystem& files, const std::string& directory,
                           const std::string& name, std::string_view bytes, unsigned mode,
                           bool flush) {
  const std::string prefix = "." + name + ".";
  // A writer killed between create and rename leaves its file behind.
  if (auto entries = files.listDirectory(directory)) {
    for (const std::string& entry : *entries) {
      if (entry.size() > prefix.size() && entry.starts_with(prefix)) {
        files.remove(joinPath(directory, entry));
      }
    }
  }

  auto file = files.createTemporaryFile(directory, prefix, mode);
  if (!file) return false;
  const std::string temporary = file->path();
  const bool written = file->append(bytes) && (!flush || file->sync());
  const bool closed = file->close();
  file.reset();
  if (!written || !closed || !files.rename(temporary, joinPath(directory, name))) {
    files.remove(temporary);
    return false;
  }
  // The new content is in place; a failed directory flush only weakens
  // durability across a power cut, so it does not undo the replacement.
  if (flush) files.syncDirectory(directory);
  return true;
}

SnapshotStore::SnapshotStore(const ContainerLocator& locator, FileSystem& files)
    : locator_(locator), files_(files) {}

std::optional<std::string> SnapshotStore::snapshotFileLocation() const {
  auto container = locator_.containerDirectory();
  if (!container) return std::nullopt;
  return joinPath(*container, kSnapshotFileName);
}

bool SnapshotStore::saveSnapshot(const Snapshot& snapshot) const {
  auto container = locator_.containerDirectory();
  if (!container) return false;
  auto bytes = encodeSnapshot(snapshot);
  if (!bytes) return false;
  return replaceFileAtomically(files_, *container, kSnapshotFileName, *bytes, kSnapshotFileMode,
                               /*flush=*/true);
}

std::optional<Snapshot> SnapshotStore::loadSnapshot() const {
  auto location = snapshotFileLocation();
  if (!location) return std::nullopt;
  auto bytes = files_.readFile(*location, kMaxSnapshotFileBytes);
  if (!bytes) return std::nullopt;
  return decodeSnapshotOrNone(*bytes);
}

std::optional<std::string> SnapshotStore::adviceFileLocation() const {
  auto container = locator_.containerDirectory();
  if (!container) return std::nullopt;
  return joinPath(*container, kAdviceFileName);
}

bool SnapshotStore::saveAdvice(const Advice& advice) const {
  auto container = locator_.containerDirectory();
  if (!container) return false;
  auto bytes = encodeAdvice(advice);
  if (!bytes) return false;
  return replaceFileAtomically(files_, *container, kAdviceFileName, *bytes, kSnapshotFileMode,
                               /*flush=*/true);
}

std::optional<Advice> SnapshotStore::loadAdvice() const {
  auto location = adviceFileLocation();
  if (!location) return std::nullopt;
  auto bytes = files_.readFile(*location, kMaxSnapshotFileBytes);
  if (!bytes) return std::nullopt;
  return decodeAdviceOrNone(*bytes);
}

}  // namespace plugscope
