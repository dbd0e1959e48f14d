#pragma once

// Decorators over the real file system and process runner that fail when
// the test says so, so that what stays on disk is real.

#include <algorithm>
#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "agent/process_runner.h"
#include "agent/refresh_steps.h"
#include "shared/snapshot_store.h"

namespace plugscope::test {

// Each switch stands for what the kernel would answer; the operation then
// fails as the real one would have, after doing what the real one would
// have done up to that point. With `onlyFile` set, the switches from
// createDenied to renameFails hit only the writes of that file (its
// temporary file and its rename); the others hit every file.
struct FileFaults {
  const char* onlyFile = nullptr;           // e.g. kAdviceFileName
  bool createDenied = false;                // EACCES on the temporary file
  std::optional<std::size_t> spaceLeft;     // ENOSPC once this much is written
  bool flushFails = false;                  // fsync: EIO
  bool closeFails = false;                  // close: a late write error (NFS)
  bool renameFails = false;                 // EXDEV, EBUSY, ...
  bool removeFails = false;                 // clean-up denied as well
  bool directoryFlushFails = false;
  bool listFails = false;
  bool readFails = false;                   // EIO on the whole-file read
  bool makeDirectoryFails = false;          // EACCES, EROFS, ENOSPC on mkdir
};

class FailingFileSystem final : public FileSystem {
 public:
  explicit FailingFileSystem(FileSystem& real) : real_(real) {}

  std::unique_ptr<WritableFile> createTemporaryFile(const std::string& directory,
                                                    const std::string& prefix,
                                                    unsigned mode) override {
    ++createAttempts;
    // The store names its temporary files "." + name + "." + suffix.
    const bool hit = !faults.onlyFile || prefix == "." + std::string(faults.onlyFile) + ".";
    if (hit && faults.createDenied) return nullptr;
    auto file = real_.createTemporaryFile(directory, prefix, mode);
    if (!file) return nullptr;
    if (!hit) return file;
    return std::make_unique<File>(*this, std::move(file));
  }
  bool rename(const std::string& from, const std::string& to) override {
    const bool hit = !faults.onlyFile || to.ends_with("/" + std::string(faults.onlyFile));
    return !(hit && faults.renameFails) && real_.rename(from, to);
  }
  bool remove(const std::string& path) override {
    return !faults.removeFails && real_.remove(path);
  }
  bool syncDirectory(const std::string& directory) override {
    return !faults.directoryFlushFails && real_.syncDirectory(directory);
  }
  std::optional<std::vector<std::string>> listDirectory(const std::string& directory) override {
    if (faults.listFails) return std::nullopt;
    return real_.listDirectory(directory);
  }
  std::optional<std::string> readFile(const std::string& path, std::size_t limit) override {
    if (faults.readFails) return std::nullopt;
    return real_.readFile(path, limit);
  }
  bool makeDirectory(const std::string& path, unsigned mode) override {
    return !faults.makeDirectoryFails && real_.makeDirectory(path, mode);
  }

  FileFaults faults;
  int createAttempts = 0;

 private:
  class File final : public WritableFile {
   public:
    File(FailingFileSystem& owner, std::unique_ptr<WritableFile> real)
        : owner_(owner), real_(std::move(real)) {}
    const std::string& path() const override { return real_->path(); }
    bool append(std::string_view bytes) override {
      auto& left = owner_.faults.spaceLeft;
      if (!left) return real_->append(bytes);
      // The part that fits arrives; the rest is refused.
      const std::size_t fits = std::min(*left, bytes.size());
      const bool wrote = real_->append(bytes.substr(0, fits));
      *left -= fits;
      return wrote && fits == bytes.size();
    }
    bool sync() override { return !owner_.faults.flushFails && real_->sync(); }
    bool close() override {
      // The descriptor is gone either way.
      const bool closed = real_->close();
      return closed && !owner_.faults.closeFails;
    }

   private:
    FailingFileSystem& owner_;
    std::unique_ptr<WritableFile> real_;
  };

  FileSystem& real_;
};

// Passes every save on to `real` and records it: "advice" or "snapshot".
class RecordingSaves final : public SnapshotWriter {
 public:
  explicit RecordingSaves(SnapshotWriter& real) : real_(real) {}
  bool save(const Snapshot& snapshot) override {
    saves.push_back("snapshot");
    return real_.save(snapshot);
  }
  bool saveAdvice(const Advice& advice) override {
    saves.push_back("advice");
    return real_.saveAdvice(advice);
  }
  std::vector<std::string> saves;

 private:
  SnapshotWriter& real_;
};

// Runs `program` wherever the caller asks for another one, so that a real
// runner starts a script standing in for a system tool. Records the paths
// asked for.
class StandInRunner final : public ProcessRunner {
 public:
  StandInRunner(ProcessRunner& real, std::string program)
      : real_(real), program_(std::move(program)) {}
  std::optional<std::string> run(const std::string& path,
                                 const std::vector<std::string>& arguments,
                                 std::size_t outputLimit) override {
    asked.push_back(path);
    return real_.run(program_, arguments, outputLimit);
  }
  std::vector<std::string> asked;

 private:
  ProcessRunner& real_;
  std::string program_;
};

}  // namespace plugscope::test
