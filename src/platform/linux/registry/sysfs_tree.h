#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/linux/system/unique_fd.h"

namespace plugscope {

// Told of every path that reads through a tree go to, relative to the
// tree's root and before any link in it is resolved, so that exactly what
// a scan read can be copied. Called on the reading thread, in read order.
class SysfsReadLog {
 public:
  enum class Access { directory, file, listing, link };
  virtual ~SysfsReadLog() = default;
  virtual void accessed(Access access, const std::string& path) = 0;
};

// One open directory of a sysfs tree, read through paths relative to it
// (which may pass through symbolic links, as sysfs paths do). Reading
// relative to a device's directory spares the kernel a walk of the whole
// path per attribute, which is most of a scan's cost. Nothing is ever
// written, and only regular files are opened, so a tree holding device
// nodes or FIFOs cannot block or disturb a read (the kernel's own sysfs
// holds nothing else, so there the check is skipped). Every failure is the
// empty result; a directory that failed to open fails every read. Owns
// its descriptor; move-only; one thread at a time.
class SysfsDirectory {
 public:
  // Kernel attributes are at most a page; the cap bounds a hostile tree.
  static constexpr std::size_t kMaxAttributeBytes = 64 * 1024;
  // Bounds one directory listing, so a huge directory cannot stall a scan.
  static constexpr std::size_t kMaxDirectoryEntries = 4096;

  SysfsDirectory() = default;

  bool valid() const { return fd_.valid(); }

  // The directory at `path`; an invalid one when there is none.
  SysfsDirectory directory(std::string_view path) const;

  // The attribute's text with surrounding white space removed and invalid
  // UTF-8 replaced. None when the file is missing, not a regular file,
  // unreadable or larger than kMaxAttributeBytes.
  std::optional<std::string> read(std::string_view path) const;

  // The file's bytes as they are, for binary attributes such as a USB
  // device's "bos_descriptors": nothing trimmed or replaced. None on the
  // same failures as read().
  std::optional<std::string> readBytes(std::string_view path) const;

  // The names in the directory at `path` ("" for this one), without "."
  // and "..", sorted bytewise, at most kMaxDirectoryEntries of them. Empty
  // when it is no directory.
  std::vector<std::string> list(std::string_view path = {}) const;

  // The target text of a symbolic link, as stored; none when `path` is no
  // link. Nothing is resolved, so a link loop costs one call.
  std::optional<std::string> linkTarget(std::string_view path) const;

  // True when `path` leads, through any links, to a directory.
  bool isDirectory(std::string_view path) const;

 private:
  friend class SysfsTree;
  SysfsDirectory(UniqueFd fd, bool kernelSysfs, SysfsReadLog* log, std::string path)
      : fd_(std::move(fd)), kernelSysfs_(kernelSysfs), log_(log), path_(std::move(path)) {}

  // Tells the log, if any, of an access to `path` below this directory.
  void note(SysfsReadLog::Access access, std::string_view path) const;

  UniqueFd fd_;
  bool kernelSysfs_ = false;  // holds only directories, regular files and links
  SysfsReadLog* log_ = nullptr;
  std::string path_;  // from the tree's root; kept only while logging
};

// A sysfs tree below a root directory: "/sys" on a live machine, any plain
// directory tree in tests. Holds only the root's path; each scan opens the
// root afresh, so the tree may appear or vanish between scans.
class SysfsTree {
 public:
  // `log`, when given, is told of every read and must outlive the tree's
  // directories.
  explicit SysfsTree(std::string root, SysfsReadLog* log = nullptr)
      : root_(std::move(root)), log_(log) {}

  const std::string& root() const { return root_; }

  // The root directory; an invalid one when it cannot be opened.
  SysfsDirectory open() const;

 private:
  std::string root_;
  SysfsReadLog* log_ = nullptr;
};

}  // namespace plugscope
