#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "agent/login_item.h"
#include "platform/linux/xdg_dirs.h"
#include "shared/snapshot_store.h"

namespace plugscope {

inline constexpr const char* kAutostartEntryName = "plugscope.desktop";

// The running program's absolute path (/proc/self/exe); none when unknown.
std::optional<std::string> currentExecutablePath();

// A string value of a desktop entry: backslash, line feed, tab and carriage
// return escaped.
std::string desktopEntryString(std::string_view value);
// One argument of an Exec line: quoted with `"`, `` ` ``, `$` and `\`
// escaped inside the quotes, "%" doubled so it is not read as a field code,
// then escaped as a string value (so one literal backslash becomes four).
std::string desktopExecArgument(std::string_view argument);

// The autostart entry that starts `executablePath` at login: an application
// that menus do not show and that needs no terminal, ignored once
// `executablePath` no longer exists.
std::string autostartEntryText(std::string_view executablePath);

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
