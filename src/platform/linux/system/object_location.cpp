#include "platform/linux/system/object_location.h"

#include <dlfcn.h>
#include <limits.h>
#include <stdlib.h>
#include <unistd.h>

#include <memory>

namespace plugscope {
namespace {

std::optional<std::string> parentOf(const std::string& path) {
  const auto slash = path.rfind('/');
  if (slash == std::string::npos) return std::nullopt;
  return slash == 0 ? std::string("/") : path.substr(0, slash);
}

}  // namespace

std::optional<std::string> directoryOfLoadedObject(const void* address) {
  Dl_info info{};
  if (::dladdr(address, &info) == 0 || !info.dli_fname || !*info.dli_fname) return std::nullopt;
  // dli_fname is the name the object was loaded by, possibly relative.
  std::unique_ptr<char, decltype(&::free)> resolved(::realpath(info.dli_fname, nullptr), &::free);
  if (!resolved) return std::nullopt;
  return parentOf(resolved.get());
}

std::optional<std::string> executableDirectory() {
  char buffer[PATH_MAX];
  const ssize_t length = ::readlink("/proc/self/exe", buffer, sizeof buffer);
  if (length <= 0 || static_cast<std::size_t>(length) >= sizeof buffer) return std::nullopt;
  return parentOf(std::string(buffer, static_cast<std::size_t>(length)));
}

}  // namespace plugscope
