#include "platform/linux/desktop_entry.h"

#include <unistd.h>

#include <climits>

namespace plugscope {

std::optional<std::string> currentExecutablePath() {
  char buffer[PATH_MAX];
  const ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer);
  if (n <= 0 || static_cast<std::size_t>(n) >= sizeof buffer || buffer[0] != '/') {
    return std::nullopt;
  }
  return std::string(buffer, static_cast<std::size_t>(n));
}

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

std::string autostartEntryText(const AutostartEntry& entry, std::string_view executablePath) {
  std::string text = "[Desktop Entry]\nType=Application\n";
  text += "Name=" + desktopEntryString(entry.name) + "\n";
  text += "Comment=" + desktopEntryString(entry.comment) + "\n";
  if (entry.icon) text += "Icon=" + desktopEntryString(*entry.icon) + "\n";
  text += "TryExec=" + desktopEntryString(executablePath) + "\n";
  text += "Exec=" + desktopExecArgument(executablePath) + "\n";
  text += "NoDisplay=true\nTerminal=false\nX-GNOME-Autostart-enabled=true\n";
  return text;
}

std::optional<std::string> autostartEntryPath(const Environment& env, std::string_view fileName) {
  auto directory = autostartDirectory(env);
  if (!directory) return std::nullopt;
  return *directory + "/" + std::string(fileName);
}

bool writeAutostartEntry(const Environment& env, FileSystem& files, const AutostartEntry& entry,
                         std::string_view executablePath) {
  const auto directory = autostartDirectory(env);
  if (!directory || !files.makeDirectories(*directory, 0755)) return false;
  return replaceFileAtomically(files, *directory, std::string(entry.fileName),
                               autostartEntryText(entry, executablePath), 0644, /*flush=*/true);
}

}  // namespace plugscope
