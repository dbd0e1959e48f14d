#pragma once

#include <optional>
#include <string>

namespace plugscope {

// The directory of the executable or shared object that holds `address`
// (a function or variable of it); none when the loader cannot tell.
std::optional<std::string> directoryOfLoadedObject(const void* address);

// The directory of this process's executable (/proc/self/exe); none when
// it cannot be read.
std::optional<std::string> executableDirectory();

}  // namespace plugscope
