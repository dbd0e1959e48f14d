// Any small tree as the sysfs root, links with any target text included:
// capturing it never crashes or loops, and the copy holds only what the
// capture promises. Every link in it keeps its own target text and leads
// nowhere above the copy's root, no identifying name is copied, every file
// and directory is the one at the same path in the original, and where the
// original's links all have the kernel's shape (".." pieces first, never
// above the root) and no name identifies anything, the copy scans to the
// same snapshot.
//
// The input is one entry per line, created below a fresh root in order:
//   d PATH               a directory
//   f PATH=TEXT          a file holding TEXT ("\n" in it is a line break)
//   l PATH -> TARGET     a symbolic link
// PATH is relative and passes through no link; missing parents are made.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

#include "platform/linux/sysfs_capture.h"
#include "platform/linux/sysfs_registry.h"
#include "scanner/port_scan.h"

namespace {

namespace fs = std::filesystem;

void check(bool holds) {
  if (!holds) std::abort();
}

std::vector<std::string> pieces(std::string_view path) {
  std::vector<std::string> result;
  std::size_t start = 0;
  while (start <= path.size()) {
    std::size_t end = path.find('/', start);
    if (end == std::string_view::npos) end = path.size();
    if (end > start) result.emplace_back(path.substr(start, end - start));
    start = end + 1;
  }
  return result;
}

bool isHex(char c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// serial, unique_id, or a name holding a UUID.
bool identifying(const std::string& name) {
  if (name == "serial" || name == "unique_id") return true;
  static const std::string shape = "xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx";
  for (std::size_t at = 0; at + shape.size() <= name.size(); ++at) {
    bool match = true;
    for (std::size_t i = 0; i < shape.size() && match; ++i) {
      match = shape[i] == '-' ? name[at + i] == '-' : isHex(name[at + i]);
    }
    if (match) return true;
  }
  return false;
}

// How many directories below the root `target` leads from a link `depth`
// directories below it, or -1 when it leaves the root on the way.
int landing(const std::string& target, std::size_t depth) {
  if (target.empty() || target.front() == '/') return -1;
  long at = static_cast<long>(depth);
  for (const std::string& piece : pieces(target)) {
    if (piece == "..") {
      if (--at < 0) return -1;
    } else if (piece != ".") {
      ++at;
    }
  }
  return static_cast<int>(at);
}

// The kernel's shape: ".." pieces only at the front, never above the root.
bool kernelShaped(const std::string& target, std::size_t depth) {
  if (landing(target, depth) < 0) return false;
  bool down = false;
  for (const std::string& piece : pieces(target)) {
    if (piece == "..") {
      if (down) return false;
    } else if (piece != ".") {
      down = true;
    }
  }
  return true;
}

// A fresh directory for this process's trees, removed at a normal exit; in memory
// where it can be, as a tree on disk costs eight times the runs.
const fs::path& workDirectory() {
  static const fs::path directory = [] {
    const char* tmp = std::getenv("TMPDIR");
    const std::string parent = tmp && *tmp                           ? tmp
                               : ::access("/dev/shm", W_OK | X_OK) == 0 ? "/dev/shm"
                                                                      : "/tmp";
    std::string pattern = parent + "/plugscope-capture-fuzz.XXXXXX";
    check(::mkdtemp(pattern.data()) != nullptr);
    return fs::path(pattern);
  }();
  static const int removed = std::atexit([] { fs::remove_all(workDirectory()); });
  (void)removed;
  return directory;
}

// Makes the directories above `path` below `root`; false when one of them is
// something else (a link above all: nothing may be made outside the root).
bool makeParents(int root, const std::vector<std::string>& parts) {
  std::string here;
  for (std::size_t i = 0; i + 1 < parts.size(); ++i) {
    here += (here.empty() ? "" : "/") + parts[i];
    struct stat st {};
    if (::fstatat(root, here.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
      if (::mkdirat(root, here.c_str(), 0755) != 0) return false;
    } else if (!S_ISDIR(st.st_mode)) {
      return false;
    }
  }
  return true;
}

struct Tree {
  bool tame = true;  // kernel-shaped links and no identifying names
};

Tree build(int root, std::string_view input) {
  Tree tree;
  std::size_t lines = 0;
  for (std::size_t start = 0; start < input.size() && lines < 1024; ++lines) {
    std::size_t end = input.find('\n', start);
    if (end == std::string_view::npos) end = input.size();
    const std::string_view line = input.substr(start, end - start);
    start = end + 1;
    if (line.size() < 3 || line[1] != ' ') continue;
    std::string_view rest = line.substr(2);
    std::string text;
    if (line[0] == 'f' || line[0] == 'l') {
      const std::string_view separator = line[0] == 'f' ? "=" : " -> ";
      const std::size_t at = rest.find(separator);
      if (at == std::string_view::npos) continue;
      text = rest.substr(at + separator.size());
      rest = rest.substr(0, at);
    }
    const std::vector<std::string> parts = pieces(rest);
    bool plain = !parts.empty() && rest.front() != '/';
    for (const std::string& part : parts) plain = plain && part != "." && part != "..";
    if (!plain || !makeParents(root, parts)) continue;
    for (const std::string& part : parts) tree.tame = tree.tame && !identifying(part);
    std::string path;
    for (const std::string& part : parts) path += (path.empty() ? "" : "/") + part;
    if (line[0] == 'd') {
      ::mkdirat(root, path.c_str(), 0755);
    } else if (line[0] == 'f') {
      for (std::size_t at = 0; (at = text.find("\\n", at)) != std::string::npos;) {
        text.replace(at, 2, "\n");
      }
      const int fd = ::openat(root, path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                              0644);
      if (fd < 0) continue;
      check(::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size()));
      ::close(fd);
    } else if (line[0] == 'l') {
      if (::symlinkat(text.c_str(), root, path.c_str()) != 0) continue;
      tree.tame = tree.tame && kernelShaped(text, parts.size() - 1);
    }
  }
  return tree;
}

std::string contents(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// What the capture promises of each entry of the copy.
void checkCopy(const fs::path& original, const fs::path& copy) {
  for (auto it = fs::recursive_directory_iterator(copy); it != fs::recursive_directory_iterator();
       ++it) {
    const fs::path relative = it->path().lexically_relative(copy);
    check(!identifying(it->path().filename().string()));
    const fs::file_status mine = it->symlink_status();
    const fs::file_status theirs = fs::symlink_status(original / relative);
    check(mine.type() == theirs.type());
    if (fs::is_symlink(mine)) {
      const std::string target = fs::read_symlink(it->path()).string();
      check(target == fs::read_symlink(original / relative).string());
      check(landing(target, static_cast<std::size_t>(it.depth())) >= 0);
    } else if (fs::is_regular_file(mine)) {
      check(contents(it->path()) == contents(original / relative));
    } else {
      check(fs::is_directory(mine));
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > 64 * 1024) return 0;
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const fs::path original = workDirectory() / "sys";
  const fs::path copy = workDirectory() / "copy";
  fs::remove_all(original);
  fs::remove_all(copy);
  fs::create_directory(original);
  const int root = ::open(original.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
  check(root >= 0);
  const Tree tree = build(root, input);
  ::close(root);

  std::string error;
  const auto registry = plugscope::captureSysfs(plugscope::SysfsTree(original), copy, error);
  if (!registry) {
    check(!error.empty());
    return 0;
  }
  checkCopy(original, copy);
  if (tree.tame) {
    const auto again = plugscope::SysfsRegistrySource(copy).current();
    check(plugscope::scanPorts(*registry->registry, {0}) == plugscope::scanPorts(*again, {0}));
  }
  return 0;
}
