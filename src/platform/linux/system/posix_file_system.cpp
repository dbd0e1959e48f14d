#include "platform/linux/system/posix_file_system.h"

#include <cerrno>
#include <cstdio>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/linux/system/read_file.h"
#include "platform/linux/system/unique_fd.h"

namespace plugscope {
namespace {

class PosixWritableFile final : public WritableFile {
 public:
  PosixWritableFile(UniqueFd fd, std::string path) : fd_(std::move(fd)), path_(std::move(path)) {}

  const std::string& path() const override { return path_; }

  bool append(std::string_view bytes) override {
    while (!bytes.empty()) {
      if (!fd_.valid()) return false;
      const ssize_t n = ::write(fd_.get(), bytes.data(), bytes.size());
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) return false;
      bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
  }

  bool sync() override { return fd_.valid() && ::fsync(fd_.get()) == 0; }

  // The descriptor is gone after close() even when it reports an error.
  bool close() override { return fd_.close(); }

 private:
  UniqueFd fd_;
  std::string path_;
};

}  // namespace

std::unique_ptr<WritableFile> PosixFileSystem::createTemporaryFile(const std::string& directory,
                                                                   const std::string& prefix,
                                                                   unsigned mode) {
  std::string path = directory + "/" + prefix + "XXXXXX";
  UniqueFd fd(::mkostemp(path.data(), O_CLOEXEC));
  if (!fd.valid()) return nullptr;
  const int descriptor = fd.get();
  auto file = std::make_unique<PosixWritableFile>(std::move(fd), path);
  if (::fchmod(descriptor, static_cast<mode_t>(mode)) != 0) {
    file.reset();
    ::unlink(path.c_str());
    return nullptr;
  }
  return file;
}

bool PosixFileSystem::rename(const std::string& from, const std::string& to) {
  return std::rename(from.c_str(), to.c_str()) == 0;
}

bool PosixFileSystem::remove(const std::string& path) { return ::unlink(path.c_str()) == 0; }

bool PosixFileSystem::syncDirectory(const std::string& directory) {
  const UniqueFd fd(::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  return fd.valid() && ::fsync(fd.get()) == 0;
}

std::optional<std::vector<std::string>> PosixFileSystem::listDirectory(
    const std::string& directory) {
  DIR* dir = ::opendir(directory.c_str());
  if (!dir) return std::nullopt;
  std::vector<std::string> names;
  while (const dirent* entry = ::readdir(dir)) {
    const std::string_view name = entry->d_name;
    if (name != "." && name != "..") names.emplace_back(name);
  }
  ::closedir(dir);
  return names;
}

std::optional<std::string> PosixFileSystem::readFile(const std::string& path, std::size_t limit) {
  std::string error;
  return readWholeFile(path, error, limit);
}

bool PosixFileSystem::makeDirectory(const std::string& path, unsigned mode) {
  if (::mkdir(path.c_str(), static_cast<mode_t>(mode)) == 0) return true;
  struct stat st {};
  return errno == EEXIST && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace plugscope
