#include "platform/linux/desktop_autostart.h"

#include <sstream>

#include "platform/linux/xdg_autostart_login_item.h"

namespace plugscope {
namespace {

// An entry is a few hundred bytes; anything far larger is not ours.
constexpr std::size_t kMaxEntryBytes = 64 * 1024;

}  // namespace

std::string desktopAutostartEntryText(std::string_view executablePath) {
  return "[Desktop Entry]\n"
         "Type=Application\n"
         "Name=Plugscope\n"
         "Comment=Shows what each USB-C port is doing\n"
         "Icon=io.plugscope.Plugscope\n"
         "TryExec=" + desktopEntryString(executablePath) + "\n"
         "Exec=" + desktopExecArgument(executablePath) + "\n"
         "NoDisplay=true\n"
         "Terminal=false\n"
         "X-GNOME-Autostart-enabled=true\n";
}

std::optional<std::string> DesktopAutostart::entryPath() const {
  auto directory = autostartDirectory(env_);
  if (!directory) return std::nullopt;
  return *directory + "/" + kDesktopAutostartEntryName;
}

bool DesktopAutostart::isEnabled() const {
  const auto path = entryPath();
  if (!path || !executablePath_) return false;
  const auto text = files_.readFile(*path, kMaxEntryBytes);
  if (!text) return false;
  const std::string ours = "TryExec=" + desktopEntryString(*executablePath_);
  bool forThisProgram = false;
  std::istringstream lines(*text);
  for (std::string line; std::getline(lines, line);) {
    if (line == "Hidden=true" || line == "X-GNOME-Autostart-enabled=false") return false;
    if (line == ours) forThisProgram = true;
  }
  return forThisProgram;
}

bool DesktopAutostart::setEnabled(bool enabled) {
  const auto path = entryPath();
  if (!path) return false;
  if (!enabled) {
    files_.remove(*path);
    return !isEnabled();
  }
  if (!executablePath_) return false;
  const auto directory = autostartDirectory(env_);
  if (!directory || !files_.makeDirectories(*directory, 0755)) return false;
  return replaceFileAtomically(files_, *directory, kDesktopAutostartEntryName,
                               desktopAutostartEntryText(*executablePath_), 0644,
                               /*flush=*/true);
}

}  // namespace plugscope
