#pragma once

#include <optional>
#include <string>

#include "platform/linux/sysfs_tree.h"
#include "scanner/registry_source.h"

namespace plugscope {

// Reads the registry and the advice from `tree` as readSysfsRegistry does and copies into
// `destination`, as a plain tree that scans the same, exactly what that
// build read: the files it read, the directories it opened, the names of the
// links and subdirectories in each directory it listed, and every link on
// the way, kept as a relative link with its own target text. A link that
// would lead out of the tree's root is neither followed nor copied; serial
// numbers and unique ids are never copied. `destination` must not exist or
// must be an empty directory. Returns the reading; none, with `error` set
// to one line, when the destination is refused or a write fails (what was
// written by then stays).
std::optional<RegistryReading> captureSysfs(const SysfsTree& tree, const std::string& destination,
                                           std::string& error);

}  // namespace plugscope
