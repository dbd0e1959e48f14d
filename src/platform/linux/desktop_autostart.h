#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "desktop/start_at_login.h"
#include "platform/linux/desktop_entry.h"

namespace plugscope {

inline constexpr const char* kDesktopAutostartEntryName = "io.plugscope.Plugscope.desktop";

// The desktop application's autostart entry, with its icon.
inline constexpr AutostartEntry kDesktopAutostartEntry{
    kDesktopAutostartEntryName, "Plugscope", "Shows what each USB-C port is doing",
    "io.plugscope.Plugscope"};

// The autostart entry that starts the desktop application at `executablePath`.
std::string desktopAutostartEntryText(std::string_view executablePath);

// "Start at login" as the file $XDG_CONFIG_HOME/autostart/
// io.plugscope.Plugscope.desktop, written atomically. Enabled while that
// file holds the TryExec line of `executablePath` and is not switched off
// (Hidden=true or X-GNOME-Autostart-enabled=false, as session settings
// write). Without a home directory or an executable path it cannot be
// enabled, and nothing is written.
class DesktopAutostart final : public StartAtLogin {
 public:
  DesktopAutostart(const Environment& env, FileSystem& files,
                   std::optional<std::string> executablePath)
      : env_(env), files_(files), executablePath_(std::move(executablePath)) {}
  bool isEnabled() const override;
  bool setEnabled(bool enabled) override;

 private:
  const Environment& env_;
  FileSystem& files_;
  std::optional<std::string> executablePath_;
};

}  // namespace plugscope
