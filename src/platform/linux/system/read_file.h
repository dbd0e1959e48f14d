#pragma once

#include <cstddef>
#include <optional>
#include <string>

namespace plugscope {

// Reads a whole regular file. Gives none, with `error` set to a short
// reason (strerror text), when it cannot be opened or read, is not a
// regular file, or is larger than `limit` bytes.
std::optional<std::string> readWholeFile(const std::string& path, std::string& error,
                                         std::size_t limit = static_cast<std::size_t>(-1));

}  // namespace plugscope
