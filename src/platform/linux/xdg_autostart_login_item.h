#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "agent/login_item.h"
#include "platform/linux/desktop_entry.h"

namespace plugscope {

inline constexpr const char* kAutostartEntryName = "plugscope.desktop";

// The agent's autostart entry: plugscope.desktop, no icon.
inline constexpr AutostartEntry kAgentAutostartEntry{
    kAutostartEntryName, "Plugscope", "Keeps the USB-C port widget up to date", std::nullopt};

// The entry that starts the agent at `executablePath` at login.
std::string agentAutostartEntryText(std::string_view executablePath);

// Registers the agent by (re)writing $XDG_CONFIG_HOME/autostart/
// plugscope.desktop atomically. Fails, writing nothing, without a home
// directory or an executable path.
class XdgAutostartLoginItem final : public LoginItem {
 public:
  XdgAutostartLoginItem(const Environment& env, FileSystem& files,
                        std::optional<std::string> executablePath)
      : env_(env), files_(files), executablePath_(std::move(executablePath)) {}
  bool registerAtLogin() override;

 private:
  const Environment& env_;
  FileSystem& files_;
  std::optional<std::string> executablePath_;
};

}  // namespace plugscope
