#pragma once

#include <unistd.h>

namespace plugscope {

// Owns one file descriptor and closes it exactly once: when destroyed,
// reset or closed. Every descriptor the Linux layer opens lives in one, so
// no early return can leak it. Move-only; -1 is no descriptor.
class UniqueFd {
 public:
  UniqueFd() = default;
  explicit UniqueFd(int fd) : fd_(fd) {}
  UniqueFd(UniqueFd&& other) noexcept : fd_(other.release()) {}
  UniqueFd& operator=(UniqueFd&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }
  UniqueFd(const UniqueFd&) = delete;
  UniqueFd& operator=(const UniqueFd&) = delete;
  ~UniqueFd() { reset(); }

  int get() const { return fd_; }
  bool valid() const { return fd_ >= 0; }

  // Gives the descriptor up without closing it.
  int release() {
    const int fd = fd_;
    fd_ = -1;
    return fd;
  }

  // Closes the descriptor held, if any, and holds `fd` instead.
  void reset(int fd = -1) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = fd;
  }

  // Closes now; false when there was nothing to close or close(2) reported
  // an error (a late write error). The descriptor is gone either way.
  bool close() {
    if (fd_ < 0) return false;
    return ::close(release()) == 0;
  }

 private:
  int fd_ = -1;
};

}  // namespace plugscope
