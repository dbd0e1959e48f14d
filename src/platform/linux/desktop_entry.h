#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/linux/xdg_dirs.h"
#include "shared/snapshot_store.h"

namespace plugscope {

// XDG desktop entries, as both of our autostart entries write them: the
// agent's login item and the desktop host's "Start at login".

// The running program's absolute path (/proc/self/exe); none when unknown.
std::optional<std::string> currentExecutablePath();

// A string value of a desktop entry: backslash, line feed, tab and carriage
// return escaped.
std::string desktopEntryString(std::string_view value);
// One argument of an Exec line: quoted with `"`, `` ` ``, `$` and `\`
// escaped inside the quotes, "%" doubled so it is not read as a field code,
// then escaped as a string value (so one literal backslash becomes four).
std::string desktopExecArgument(std::string_view argument);

// What tells one program's autostart entry from another's.
struct AutostartEntry {
  std::string_view fileName;  // in the autostart directory
  std::string_view name;
  std::string_view comment;
  std::optional<std::string_view> icon;
};

// The entry that starts `executablePath` at login: an application that
// menus do not show and that needs no terminal. Its TryExec names the same
// file, so that desktops skip the entry once the program is gone.
std::string autostartEntryText(const AutostartEntry& entry, std::string_view executablePath);

// $XDG_CONFIG_HOME/autostart/<fileName> (~/.config/autostart without it);
// none without a home directory.
std::optional<std::string> autostartEntryPath(const Environment& env, std::string_view fileName);

// Writes the entry for `executablePath` atomically, making the autostart
// directory (0755) when missing; false, with nothing written, without a
// home directory or when a step fails.
bool writeAutostartEntry(const Environment& env, FileSystem& files, const AutostartEntry& entry,
                         std::string_view executablePath);

}  // namespace plugscope
