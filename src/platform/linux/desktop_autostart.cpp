#include "platform/linux/desktop_autostart.h"

#include <sstream>

namespace plugscope {
namespace {

// An entry is a few hundred bytes; anything far larger is not ours.
constexpr std::size_t kMaxEntryBytes = 64 * 1024;

}  // namespace

std::string desktopAutostartEntryText(std::string_view executablePath) {
  return autostartEntryText(kDesktopAutostartEntry, executablePath);
}

bool DesktopAutostart::isEnabled() const {
  const auto path = autostartEntryPath(env_, kDesktopAutostartEntryName);
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
  const auto path = autostartEntryPath(env_, kDesktopAutostartEntryName);
  if (!path) return false;
  if (!enabled) {
    files_.remove(*path);
    return !isEnabled();
  }
  return executablePath_ &&
         writeAutostartEntry(env_, files_, kDesktopAutostartEntry, *executablePath_);
}

}  // namespace plugscope
