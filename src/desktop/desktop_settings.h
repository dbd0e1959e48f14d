#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "shared/snapshot_store.h"
#include "widget_api/widget_family.h"

namespace plugscope {

// What the desktop host remembers between runs.
struct DesktopSettings {
  // The size the user chose; none until they choose one (the window then
  // picks its size from what it shows).
  std::optional<WidgetFamily> family;
  bool notifyWhenPlugged = false;  // a notification when a port becomes connected

  friend bool operator==(const DesktopSettings&, const DesktopSettings&) = default;
};

// The settings in a key file's text. Anything unreadable counts as unset:
// text that is no key file gives the defaults, and a key with a value we
// do not know keeps that key's default.
DesktopSettings parseDesktopSettings(std::string_view text);
// The key file's text for `settings`, which parseDesktopSettings reads back.
std::string formatDesktopSettings(const DesktopSettings& settings);

inline constexpr const char* kDesktopSettingsFileName = "desktop.ini";
// A key file of ours is a few lines; a bigger one is not ours.
inline constexpr std::size_t kMaxDesktopSettingsBytes = 64 * 1024;

// The key file in the host's own configuration directory
// ($XDG_CONFIG_HOME/plugscope). Nothing fails loudly.
class DesktopSettingsFile {
 public:
  // `directory` none: nothing is read or written. The directory is made
  // (0700, with its parents) through `files` when saving.
  DesktopSettingsFile(FileSystem& files, std::optional<std::string> directory);

  // The stored settings; the defaults when the file is missing, too big or
  // unreadable.
  DesktopSettings load() const;
  // Replaces the file atomically; false when nothing was written.
  bool save(const DesktopSettings& settings) const;

 private:
  FileSystem& files_;
  std::optional<std::string> directory_;
};

}  // namespace plugscope
