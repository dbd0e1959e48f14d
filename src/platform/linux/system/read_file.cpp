#include "platform/linux/system/read_file.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/linux/system/unique_fd.h"

namespace plugscope {

std::optional<std::string> readWholeFile(const std::string& path, std::string& error,
                                         std::size_t limit) {
  // O_NONBLOCK keeps a FIFO from blocking the open; it is refused below.
  const UniqueFd file(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
  if (!file.valid()) {
    error = std::strerror(errno);
    return std::nullopt;
  }
  struct stat st {};
  if (::fstat(file.get(), &st) != 0) {
    error = std::strerror(errno);
    return std::nullopt;
  }
  if (S_ISDIR(st.st_mode)) {
    error = std::strerror(EISDIR);
    return std::nullopt;
  }
  if (!S_ISREG(st.st_mode)) {
    error = "not a regular file";
    return std::nullopt;
  }
  if (static_cast<std::uint64_t>(st.st_size) > limit) {
    error = "file too large";
    return std::nullopt;
  }
  std::string content;
  char buffer[65536];
  for (;;) {
    const ssize_t n = ::read(file.get(), buffer, sizeof buffer);
    if (n < 0) {
      if (errno == EINTR) continue;
      error = std::strerror(errno);
      return std::nullopt;
    }
    if (n == 0) break;
    if (content.size() + static_cast<std::size_t>(n) > limit) {
      error = "file too large";
      return std::nullopt;
    }
    content.append(buffer, static_cast<std::size_t>(n));
  }
  return content;
}

}  // namespace plugscope
