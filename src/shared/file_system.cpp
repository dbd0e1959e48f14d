#include "shared/file_system.h"

namespace plugscope {

bool FileSystem::makeDirectories(const std::string& path, unsigned mode) {
  if (path.empty() || path.front() != '/') return false;
  // Usually everything but the last step, or all of it, exists already.
  if (makeDirectory(path, mode)) return true;
  for (std::size_t slash = path.find('/', 1); slash != std::string::npos;
       slash = path.find('/', slash + 1)) {
    if (!makeDirectory(path.substr(0, slash), 0755)) return false;
  }
  return makeDirectory(path, mode);
}

}  // namespace plugscope
