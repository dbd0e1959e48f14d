#pragma once

#include <gio/gio.h>

#include <cstdint>
#include <functional>
#include <optional>

#include "host/png/palette.h"

namespace plugscope {

// The appearance for the desktop's "color-scheme" preference (0 none,
// 1 prefers dark, 2 prefers light): dark only when it prefers dark, and
// light without an answer.
Appearance appearanceForColorScheme(std::optional<std::uint32_t> scheme);

// The "color-scheme" value of the settings portal's org.freedesktop.appearance
// namespace, as the portal's Read answers it or as SettingChanged carries it;
// portals wrap the value in one or two variants. None for anything else.
std::optional<std::uint32_t> colorSchemeFromVariant(GVariant* value);

// Follows the desktop's light or dark preference through the settings
// portal (org.freedesktop.portal.Settings on the session bus): Read once,
// then SettingChanged. Calls `changed` on the main context whenever the
// appearance changes; light when no portal answers. The bus may be null.
class ColorSchemePortal {
 public:
  using Changed = std::function<void(Appearance)>;
  ColorSchemePortal(GDBusConnection* bus, Changed changed);
  ~ColorSchemePortal();
  ColorSchemePortal(const ColorSchemePortal&) = delete;
  ColorSchemePortal& operator=(const ColorSchemePortal&) = delete;

  Appearance appearance() const { return appearance_; }

 private:
  static void onSettingChanged(GDBusConnection*, const gchar*, const gchar*, const gchar*,
                               const gchar*, GVariant* parameters, gpointer self);
  void take(std::optional<std::uint32_t> scheme);

  GDBusConnection* bus_ = nullptr;
  guint subscription_ = 0;
  Changed changed_;
  Appearance appearance_ = Appearance::light;
};

}  // namespace plugscope
