// Any bytes as the desktop host's key file: reading never crashes, a key
// that is not in the text keeps its default, and whatever is read is written
// back to a key file that reads the same.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "desktop/desktop_settings.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using plugscope::DesktopSettings;
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const DesktopSettings read = plugscope::parseDesktopSettings(text);
  const DesktopSettings defaults;
  const bool noGroup = text.find("[Plugscope]") == std::string_view::npos;
  if (read.family != defaults.family && (noGroup || text.find("family") == std::string_view::npos)) {
    std::abort();
  }
  if (read.notifyWhenPlugged != defaults.notifyWhenPlugged &&
      (noGroup || text.find("notify-when-plugged") == std::string_view::npos)) {
    std::abort();
  }
  if (plugscope::parseDesktopSettings(plugscope::formatDesktopSettings(read)) != read) std::abort();
  return 0;
}
