#include "desktop/color_scheme_portal.h"

#include <cstring>
#include <utility>

namespace plugscope {
namespace {

constexpr const char* kPortalName = "org.freedesktop.portal.Desktop";
constexpr const char* kPortalPath = "/org/freedesktop/portal/desktop";
constexpr const char* kSettingsInterface = "org.freedesktop.portal.Settings";
constexpr const char* kNamespace = "org.freedesktop.appearance";
constexpr const char* kKey = "color-scheme";
// A portal that is started on demand answers well within this; beyond it
// the window opens light and follows the signal later.
constexpr int kReadTimeoutMs = 1000;

}  // namespace

Appearance appearanceForColorScheme(std::optional<std::uint32_t> scheme) {
  return scheme == 1u ? Appearance::dark : Appearance::light;
}

std::optional<std::uint32_t> colorSchemeFromVariant(GVariant* value) {
  // Read's reply is (v); older portals put a second variant inside.
  g_autoptr(GVariant) inner = value ? g_variant_ref(value) : nullptr;
  for (int depth = 0; inner && depth < 4; ++depth) {
    if (g_variant_is_of_type(inner, G_VARIANT_TYPE_UINT32)) return g_variant_get_uint32(inner);
    g_autoptr(GVariant) next = nullptr;
    if (g_variant_is_of_type(inner, G_VARIANT_TYPE_VARIANT)) {
      next = g_variant_get_variant(inner);
    } else if (g_variant_is_of_type(inner, G_VARIANT_TYPE_TUPLE) &&
               g_variant_n_children(inner) == 1) {
      next = g_variant_get_child_value(inner, 0);
    }
    // The one let go is released with `next` at the end of this turn.
    std::swap(inner, next);
  }
  return std::nullopt;
}

ColorSchemePortal::ColorSchemePortal(GDBusConnection* bus, Changed changed)
    : bus_(bus ? G_DBUS_CONNECTION(g_object_ref(bus)) : nullptr), changed_(std::move(changed)) {
  if (!bus_) return;
  // Subscribed before reading, so that a change in between is not lost.
  subscription_ = g_dbus_connection_signal_subscribe(
      bus_, kPortalName, kSettingsInterface, "SettingChanged", kPortalPath, kNamespace,
      G_DBUS_SIGNAL_FLAGS_NONE, &ColorSchemePortal::onSettingChanged, this, nullptr);
  g_autoptr(GVariant) reply = g_dbus_connection_call_sync(
      bus_, kPortalName, kPortalPath, kSettingsInterface, "Read",
      g_variant_new("(ss)", kNamespace, kKey), G_VARIANT_TYPE("(v)"), G_DBUS_CALL_FLAGS_NONE,
      kReadTimeoutMs, nullptr, nullptr);
  if (reply) appearance_ = appearanceForColorScheme(colorSchemeFromVariant(reply));
}

ColorSchemePortal::~ColorSchemePortal() {
  if (!bus_) return;
  if (subscription_) g_dbus_connection_signal_unsubscribe(bus_, subscription_);
  g_clear_object(&bus_);
}

void ColorSchemePortal::onSettingChanged(GDBusConnection*, const gchar*, const gchar*,
                                         const gchar*, const gchar*, GVariant* parameters,
                                         gpointer self) {
  if (!g_variant_is_of_type(parameters, G_VARIANT_TYPE("(ssv)"))) return;
  const gchar* space = nullptr;
  const gchar* key = nullptr;
  g_autoptr(GVariant) value = nullptr;
  g_variant_get(parameters, "(&s&sv)", &space, &key, &value);
  if (std::strcmp(space, kNamespace) == 0 && std::strcmp(key, kKey) == 0) {
    static_cast<ColorSchemePortal*>(self)->take(colorSchemeFromVariant(value));
  }
}

void ColorSchemePortal::take(std::optional<std::uint32_t> scheme) {
  const Appearance next = appearanceForColorScheme(scheme);
  if (next == appearance_) return;
  appearance_ = next;
  if (changed_) changed_(next);
}

}  // namespace plugscope
