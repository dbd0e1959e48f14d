#include "desktop/desktop_settings.h"

#include <glib.h>

#include <memory>

namespace plugscope {
namespace {

constexpr const char* kGroup = "Plugscope";
constexpr const char* kFamilyKey = "family";
constexpr const char* kNotifyKey = "notify-when-plugged";
constexpr unsigned kFileMode = 0600;

struct KeyFileFree {
  void operator()(GKeyFile* file) const { g_key_file_free(file); }
};
using KeyFile = std::unique_ptr<GKeyFile, KeyFileFree>;

}  // namespace

DesktopSettings parseDesktopSettings(std::string_view text) {
  DesktopSettings settings;
  KeyFile file(g_key_file_new());
  if (!g_key_file_load_from_data(file.get(), text.data(), text.size(), G_KEY_FILE_NONE, nullptr)) {
    return settings;
  }
  if (gchar* family = g_key_file_get_string(file.get(), kGroup, kFamilyKey, nullptr)) {
    if (const auto parsed = parseFamily(family)) settings.family = *parsed;
    g_free(family);
  }
  GError* error = nullptr;
  const gboolean notify = g_key_file_get_boolean(file.get(), kGroup, kNotifyKey, &error);
  if (error) {
    g_error_free(error);
  } else {
    settings.notifyWhenPlugged = notify;
  }
  return settings;
}

std::string formatDesktopSettings(const DesktopSettings& settings) {
  KeyFile file(g_key_file_new());
  g_key_file_set_string(file.get(), kGroup, kFamilyKey, familyName(settings.family));
  g_key_file_set_boolean(file.get(), kGroup, kNotifyKey, settings.notifyWhenPlugged);
  gsize length = 0;
  gchar* data = g_key_file_to_data(file.get(), &length, nullptr);
  std::string text(data, length);
  g_free(data);
  return text;
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
