#include "platform/linux/sysfs_capture.h"

#include <cerrno>
#include <cstring>
#include <deque>
#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <set>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>
#include <vector>

#include "platform/linux/sysfs_registry.h"
#include "platform/linux/unique_fd.h"

namespace plugscope {
namespace {

using Access = SysfsReadLog::Access;

// Far more hops than any sysfs path takes; ends link loops.
constexpr int kMaxLinkHops = 40;

class Recorder final : public SysfsReadLog {
 public:
  void accessed(Access access, const std::string& path) override { accesses.emplace(access, path); }
  std::set<std::pair<Access, std::string>> accesses;
};

std::vector<std::string> pieces(const std::string& path) {
  std::vector<std::string> result;
  std::size_t start = 0;
  while (start <= path.size()) {
    std::size_t end = path.find('/', start);
    if (end == std::string::npos) end = path.size();
    if (end > start) result.push_back(path.substr(start, end - start));
    start = end + 1;
  }
  return result;
}

std::string joinPieces(const std::vector<std::string>& parts) {
  std::string path;
  for (const std::string& part : parts) path += (path.empty() ? "" : "/") + part;
  return path;
}

bool isHex(char c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// A name holding a UUID ("8-4-4-4-12" hex digits), as Thunderbolt unique ids are.
bool holdsUuid(const std::string& name) {
  static constexpr std::string_view kShape = "xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx";
  for (std::size_t at = 0; at + kShape.size() <= name.size(); ++at) {
    bool match = true;
    for (std::size_t i = 0; i < kShape.size() && match; ++i) {
      match = kShape[i] == '-' ? name[at + i] == '-' : isHex(name[at + i]);
    }
    if (match) return true;
  }
  return false;
}

// What a bug report must not carry, even where a layout would lead to it.
bool identifying(const std::string& name) {
  return name == "serial" || name == "unique_id" || holdsUuid(name);
}

// A link target that, from a link `depth` directories below the root,
// stays inside the root: relative, its ".." pieces all leading and no more
// of them than `depth`. The kernel's links all have that shape.
bool staysInside(const std::string& target, std::size_t depth) {
  if (target.empty() || target.front() == '/') return false;
  std::size_t ups = 0;
  bool down = false;
  for (const std::string& piece : pieces(target)) {
    if (piece == ".") continue;
    if (piece == "..") {
      if (down || ++ups > depth) return false;
    } else {
      down = true;
    }
  }
  return true;
}

class Copier {
 public:
  Copier(int root, std::string destination) : root_(root), destination_(std::move(destination)) {}

  // Replays one access: what it reaches is copied, with every directory and
  // link on the way. Gives false only when a write fails.
  bool replay(Access access, const std::string& path) {
    auto real = resolve(path, access != Access::link);
    if (!real) return ok_;
    if (access == Access::file) copyFile(*real);
    if (access == Access::listing) copyListing(*real);
    return ok_;
  }

  const std::string& failure() const { return failure_; }

 private:
  // Walks `path` from the root piece by piece as the kernel would, copying
  // each directory and link it passes. Gives the path it reaches with no
  // link in it, or none when it leaves the root, meets something missing or
  // identifying, or loops. The last link is followed only when `followLast`.
  std::optional<std::string> resolve(const std::string& path, bool followLast) {
    std::vector<std::string> real;
    std::deque<std::string> pending;
    for (std::string& piece : pieces(path)) pending.push_back(std::move(piece));
    for (int hops = 0; !pending.empty();) {
      std::string piece = std::move(pending.front());
      pending.pop_front();
      if (piece == ".") continue;
      if (piece == "..") {
        if (real.empty()) return std::nullopt;
        real.pop_back();
        continue;
      }
      if (identifying(piece)) return std::nullopt;
      real.push_back(piece);
      const std::string here = joinPieces(real);
      struct stat st {};
      if (::fstatat(root_, here.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) return std::nullopt;
      if (S_ISDIR(st.st_mode)) {
        makeDirectory(here);
        continue;
      }
      if (!S_ISLNK(st.st_mode)) return pending.empty() ? std::optional(here) : std::nullopt;
      real.pop_back();
      auto target = copyLink(here, real.size());
      if (!target) return std::nullopt;
      if (pending.empty() && !followLast) return here;
      if (++hops > kMaxLinkHops) return std::nullopt;
      const std::vector<std::string> next = pieces(*target);
      pending.insert(pending.begin(), next.begin(), next.end());
    }
    return joinPieces(real);
  }

  // Copies the link at `path`, `depth` directories below the root, when
  // its target stays inside the root; gives that target.
  std::optional<std::string> copyLink(const std::string& path, std::size_t depth) {
    char buffer[PATH_MAX];
    const ssize_t n = ::readlinkat(root_, path.c_str(), buffer, sizeof buffer);
    if (n <= 0 || static_cast<std::size_t>(n) >= sizeof buffer) return std::nullopt;
    std::string target(buffer, static_cast<std::size_t>(n));
    if (!staysInside(target, depth)) return std::nullopt;
    if (::symlink(target.c_str(), destination(path).c_str()) != 0 && errno != EEXIST) {
      fail("cannot write link " + path);
    }
    return target;
  }

  void makeDirectory(const std::string& path) {
    if (::mkdir(destination(path).c_str(), 0755) != 0 && errno != EEXIST) {
      fail("cannot make directory " + path);
    }
  }

  // Regular files only, and only as much as a scan would read.
  void copyFile(const std::string& path) {
    const UniqueFd in(
        ::openat(root_, path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    struct stat st {};
    if (!in.valid() || ::fstat(in.get(), &st) != 0 || !S_ISREG(st.st_mode)) return;
    std::string content;
    char buffer[4096];
    for (;;) {
      const ssize_t n = ::read(in.get(), buffer, sizeof buffer);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) return;
      if (n == 0) break;
      content.append(buffer, static_cast<std::size_t>(n));
      // Beyond the cap the attribute is unreadable to a scan: leave it out.
      if (content.size() > SysfsDirectory::kMaxAttributeBytes) return;
    }
    const UniqueFd out(::open(destination(path).c_str(),
                              O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644));
    if (!out.valid()) {
      if (errno != EEXIST) fail("cannot write " + path);
      return;
    }
    for (std::size_t done = 0; done < content.size();) {
      const ssize_t n = ::write(out.get(), content.data() + done, content.size() - done);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) return fail("cannot write " + path);
      done += static_cast<std::size_t>(n);
    }
  }

  // The names a listing gave: links as links, directories as directories.
  // Files are names a scan never acts on; it reads those it needs.
  void copyListing(const std::string& path) {
    UniqueFd fd(::openat(root_, path.empty() ? "." : path.c_str(),
                         O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (!fd.valid()) return;
    DIR* dir = ::fdopendir(fd.get());
    if (!dir) return;
    fd.release();  // the stream owns it now
    const std::size_t depth = pieces(path).size();
    std::size_t count = 0;
    while (const dirent* entry = ::readdir(dir)) {
      const std::string name = entry->d_name;
      if (name == "." || name == ".." || identifying(name)) continue;
      if (++count > SysfsDirectory::kMaxDirectoryEntries) break;
      const std::string child = path.empty() ? name : path + "/" + name;
      struct stat st {};
      if (::fstatat(root_, child.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) continue;
      if (S_ISLNK(st.st_mode)) copyLink(child, depth);
      if (S_ISDIR(st.st_mode)) makeDirectory(child);
    }
    ::closedir(dir);
  }

  std::string destination(const std::string& path) const { return destination_ + "/" + path; }

  void fail(std::string message) {
    if (ok_) failure_ = std::move(message) + ": " + std::strerror(errno);
    ok_ = false;
  }

  int root_;
  std::string destination_;
  bool ok_ = true;
  std::string failure_;
};

// Makes `destination` when it does not exist; refuses anything but an
// empty directory otherwise.
bool prepareDestination(const std::string& destination, std::string& error) {
  struct stat st {};
  if (::lstat(destination.c_str(), &st) != 0) {
    if (errno == ENOENT && ::mkdir(destination.c_str(), 0755) == 0) return true;
    error = std::string("cannot make the directory: ") + std::strerror(errno);
    return false;
  }
  if (!S_ISDIR(st.st_mode)) {
    error = "exists and is not a directory";
    return false;
  }
  DIR* dir = ::opendir(destination.c_str());
  if (!dir) {
    error = std::string("cannot read the directory: ") + std::strerror(errno);
    return false;
  }
  bool empty = true;
  while (const dirent* entry = ::readdir(dir)) {
    const std::string_view name = entry->d_name;
    if (name != "." && name != "..") empty = false;
  }
  ::closedir(dir);
  if (!empty) error = "the directory is not empty";
  return empty;
}

}  // namespace

std::optional<RegistryReading> captureSysfs(const SysfsTree& tree, const std::string& destination,
                                            std::string& error) {
  if (!prepareDestination(destination, error)) return std::nullopt;
  Recorder recorder;
  RegistryReading reading = readSysfsRegistry(SysfsTree(tree.root(), &recorder));
  const UniqueFd root(::open(tree.root().c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
  if (!root.valid()) return reading;
  Copier copier(root.get(), destination);
  for (const auto& [access, path] : recorder.accesses) {
    if (!copier.replay(access, path)) {
      error = copier.failure();
      return std::nullopt;
    }
  }
  return reading;
}

}  // namespace plugscope
