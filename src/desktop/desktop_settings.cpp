#include "desktop/desktop_settings.h"

#include <glib.h>

namespace plugscope {
namespace {

constexpr const char* kGroup = "Plugscope";
constexpr const char* kFamilyKey = "family";
constexpr const char* kNotifyKey = "notify-when-plugged";
constexpr unsigned kFileMode = 0600;

}  // namespace

DesktopSettings parseDesktopSettings(std::string_view text) {
  DesktopSettings settings;
  g_autoptr(GKeyFile) file = g_key_file_new();
  if (!g_key_file_load_from_data(file, text.data(), text.size(), G_KEY_FILE_NONE, nullptr)) {
    return settings;
  }
  g_autofree gchar* family = g_key_file_get_string(file, kGroup, kFamilyKey, nullptr);
  if (family) {
    if (const auto parsed = parseFamily(family)) settings.family = *parsed;
  }
  g_autoptr(GError) error = nullptr;
  const gboolean notify = g_key_file_get_boolean(file, kGroup, kNotifyKey, &error);
  if (!error) settings.notifyWhenPlugged = notify;
  return settings;
}

std::string formatDesktopSettings(const DesktopSettings& settings) {
  g_autoptr(GKeyFile) file = g_key_file_new();
  if (settings.family) {
    g_key_file_set_string(file, kGroup, kFamilyKey, familyName(*settings.family));
  }
  g_key_file_set_boolean(file, kGroup, kNotifyKey, settings.notifyWhenPlugged);
  gsize length = 0;
  g_autofree gchar* data = g_key_file_to_data(file, &length, nullptr);
  return std::string(data, length);
}

DesktopSettingsFile::DesktopSettingsFile(FileSystem& files, std::optional<std::string> directory)
    : files_(files), directory_(std::move(directory)) {}

DesktopSettings DesktopSettingsFile::load() const {
  if (!directory_) return {};
  const auto text =
      files_.readFile(*directory_ + "/" + kDesktopSettingsFileName, kMaxDesktopSettingsBytes);
  return text ? parseDesktopSettings(*text) : DesktopSettings{};
}

bool DesktopSettingsFile::save(const DesktopSettings& settings) const {
  if (!directory_ || !files_.makeDirectories(*directory_, 0700)) return false;
  // A lost choice of size costs a click; no need to wait for the disk.
  return replaceFileAtomically(files_, *directory_, kDesktopSettingsFileName,
                               formatDesktopSettings(settings), kFileMode, false);
}

}  // namespace plugscope
