#pragma once

namespace plugscope {

// The desktop program's one name: its GApplication id, its icon and the
// names of its launcher, AppStream and autostart files.
inline constexpr const char* kDesktopApplicationId = "io.plugscope.Plugscope";

}  // namespace plugscope
