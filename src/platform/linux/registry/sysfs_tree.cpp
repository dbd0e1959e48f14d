#include "platform/linux/registry/sysfs_tree.h"

#include <algorithm>
#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>

#include "sysfs_rules/sysfs_attributes.h"

namespace plugscope {
namespace {

constexpr decltype(statfs::f_type) kSysfsMagic = 0x62656572;  // SYSFS_MAGIC

// The *at calls need a terminated path; "" names the directory itself.
std::string relative(std::string_view path) {
  return path.empty() ? std::string(".") : std::string(path);
}

// Joins a path below a directory to the directory's own path from the root.
std::string joined(const std::string& base, std::string_view path) {
  if (base.empty()) return std::string(path);
  if (path.empty()) return base;
  return base + "/" + std::string(path);
}

}  // namespace

void SysfsDirectory::note(SysfsReadLog::Access access, std::string_view path) const {
  if (log_) log_->accessed(access, joined(path_, path));
}

SysfsDirectory SysfsDirectory::directory(std::string_view path) const {
  if (!valid()) return {};
  note(SysfsReadLog::Access::directory, path);
  // O_PATH: the directory is only a starting point, never read itself.
  return SysfsDirectory(
      UniqueFd(::openat(fd_.get(), relative(path).c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC)),
      kernelSysfs_, log_, log_ ? joined(path_, path) : std::string());
}

std::optional<std::string> SysfsDirectory::read(std::string_view path) const {
  auto bytes = readBytes(path);
  if (!bytes) return std::nullopt;
  return sysfs::validUtf8(sysfs::trimText(*bytes));
}

std::optional<std::string> SysfsDirectory::readBytes(std::string_view path) const {
  if (!valid()) return std::nullopt;
  note(SysfsReadLog::Access::file, path);
  const std::string name = relative(path);
  // Checked before the open, so that no device node or FIFO is ever opened.
  // In the kernel's sysfs the open itself refuses a directory.
  struct stat st {};
  if (!kernelSysfs_ &&
      (::fstatat(fd_.get(), name.c_str(), &st, 0) != 0 || !S_ISREG(st.st_mode))) {
    return std::nullopt;
  }
  const UniqueFd file(
      ::openat(fd_.get(), name.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
  if (!file.valid()) return std::nullopt;
  // sysfs gives a page as every attribute's size, so the size cannot end
  // the loop; a short read of a regular file does, which spares the extra
  // read per attribute that would only return 0.
  char buffer[4096];
  std::string content;
  for (;;) {
    const ssize_t n = ::read(file.get(), buffer, sizeof buffer);
    if (n < 0) {
      if (errno == EINTR) continue;
      return std::nullopt;
    }
    if (content.size() + static_cast<std::size_t>(n) > kMaxAttributeBytes) return std::nullopt;
    content.append(buffer, static_cast<std::size_t>(n));
    if (static_cast<std::size_t>(n) < sizeof buffer) break;
  }
  return content;
}

std::vector<std::string> SysfsDirectory::list(std::string_view path) const {
  std::vector<std::string> names;
  if (!valid()) return names;
  note(SysfsReadLog::Access::listing, path);
  const UniqueFd listing(
      ::openat(fd_.get(), relative(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (!listing.valid()) return names;
  // getdents64 straight into a stack buffer: no DIR allocation per listing.
  alignas(dirent64) char buffer[8192];
  while (names.size() < kMaxDirectoryEntries) {
    const ssize_t n = ::getdents64(listing.get(), buffer, sizeof buffer);
    if (n <= 0) break;
    for (ssize_t at = 0; at < n && names.size() < kMaxDirectoryEntries;) {
      const auto* entry = reinterpret_cast<const dirent64*>(buffer + at);
      if (entry->d_reclen == 0) break;
      at += entry->d_reclen;
      const std::string_view name = entry->d_name;
      if (name == "." || name == "..") continue;
      names.emplace_back(name);
    }
  }
  std::sort(names.begin(), names.end());
  return names;
}

std::optional<std::string> SysfsDirectory::linkTarget(std::string_view path) const {
  if (!valid()) return std::nullopt;
  note(SysfsReadLog::Access::link, path);
  char buffer[PATH_MAX];
  const ssize_t n = ::readlinkat(fd_.get(), relative(path).c_str(), buffer, sizeof buffer);
  // A target that fills the buffer may have been cut short.
  if (n <= 0 || static_cast<std::size_t>(n) >= sizeof buffer) return std::nullopt;
  return std::string(buffer, static_cast<std::size_t>(n));
}

bool SysfsDirectory::isDirectory(std::string_view path) const {
  note(SysfsReadLog::Access::directory, path);
  struct stat st {};
  return valid() && ::fstatat(fd_.get(), relative(path).c_str(), &st, 0) == 0 &&
         S_ISDIR(st.st_mode);
}

SysfsDirectory SysfsTree::open() const {
  UniqueFd fd(::open(root_.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
  struct statfs fs {};
  const bool kernelSysfs = fd.valid() && ::fstatfs(fd.get(), &fs) == 0 && fs.f_type == kSysfsMagic;
  return SysfsDirectory(std::move(fd), kernelSysfs, log_, std::string());
}

}  // namespace plugscope
