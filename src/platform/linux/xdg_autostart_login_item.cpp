#include "platform/linux/xdg_autostart_login_item.h"

#include <climits>
#include <unistd.h>

namespace plugscope {

std::string desktopEntryString(std::string_view value) {
  std::string escaped;
  for (const char c : value) {
    switch (c) {
      case '\\': escaped += "\\\\"; break;
      case '\n': escaped += "\\n"; break;
      case '\t': escaped += "\\t"; break;
      case '\r': escaped += "\\r"; break;
      default: escaped += c;
    }
  }
  return escaped;
}

std::string desktopExecArgument(std::string_view argument) {
  std::string quoted = "\"";
  for (const char c : argument) {
    if (c == '"' || c == '`' || c == '$' || c == '\\') quoted += '\\';
    if (c == '%') quoted += '%';
    quoted += c;
  }
  quoted += '"';
  return desktopEntryString(quoted);
}

std::optional<std::string> currentExecutablePath() {
  char buffer[PATH_MAX];
  const ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer);
  if (n <= 0 || static_cast<std::size_t>(n) >= sizeof buffer || buffer[0] != '/') {
    return std::nullopt;
  }
  return std::string(buffer, static_cast<std::size_t>(n));
}

std::string autostartEntryText(std::string_view executablePath) {
  return "[Desktop Entry]\n"
         "Type=Application\n"
         "Name=Plugscope\n"
         "Comment=Keeps the USB-C port widget up to date\n"
         "Exec=" + desktopExecArgument(executablePath) + "\n"
         // Once the program is gone, desktops skip the leftover entry.
         "TryExec=" + desktopEntryString(executablePath) + "\n"
         "NoDisplay=true\n"
         "Terminal=false\n"
         "X-GNOME-Autostart-enabled=true\n";
}

bool XdgAutostartLoginItem::registerAtLogin() {
  if (!executablePath_) return false;
  auto directory = autostartDirectory(env_);
  if (!directory || !files_.makeDirectories(*directory, 0755)) return false;
  return replaceFileAtomically(files_, *directory, kAutostartEntryName,
                               autostartEntryText(*executablePath_), 0644, /*flush=*/true);
}

}  // namespace plugscope
