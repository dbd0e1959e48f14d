// What the tests of the panel entry need on a session bus: a connection
// of the test's own, a StatusNotifierWatcher as small as a test needs,
// and the item's menu as a panel reads it.
#pragma once

#include <gio/gio.h>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "desktop/status_notifier_item.h"

namespace plugscope::test {

struct VariantUnref {
  void operator()(GVariant* v) const { g_variant_unref(v); }
};
using Variant = std::unique_ptr<GVariant, VariantUnref>;

// Runs the main context until `done` holds; false after `seconds`.
inline bool spinUntil(const std::function<bool()>& done, double seconds = 5) {
  const gint64 end = g_get_monotonic_time() + static_cast<gint64>(seconds * G_USEC_PER_SEC);
  while (!done()) {
    if (g_get_monotonic_time() > end) return false;
    if (!g_main_context_iteration(nullptr, FALSE)) g_usleep(1000);
  }
  return true;
}

// A connection of the test's own to the session bus, apart from the one
// the item shares with the rest of the process.
struct Connection {
  Connection() {
    gchar* address = g_dbus_address_get_for_bus_sync(G_BUS_TYPE_SESSION, nullptr, nullptr);
    bus = g_dbus_connection_new_for_address_sync(
        address,
        static_cast<GDBusConnectionFlags>(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                                          G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
        nullptr, nullptr, nullptr);
    g_free(address);
  }
  ~Connection() {
    if (!bus) return;
    g_dbus_connection_close_sync(bus, nullptr, nullptr);
    g_object_unref(bus);
  }
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;

  // The reply of a method call; null on an error, whose message goes to `error`.
  Variant call(const std::string& destination, const char* path, const char* interface,
               const char* method, GVariant* parameters, std::string* error = nullptr) {
    struct Reply {
      GVariant* value = nullptr;
      std::string error;
      bool done = false;
    } reply;
    g_dbus_connection_call(
        bus, destination.c_str(), path, interface, method, parameters, nullptr,
        G_DBUS_CALL_FLAGS_NONE, 5000, nullptr,
        [](GObject* source, GAsyncResult* result, gpointer data) {
          auto* r = static_cast<Reply*>(data);
          GError* e = nullptr;
          r->value = g_dbus_connection_call_finish(G_DBUS_CONNECTION(source), result, &e);
          if (e) {
            r->error = e->message;
            g_error_free(e);
          }
          r->done = true;
        },
        &reply);
    spinUntil([&] { return reply.done; }, 10);
    if (error) *error = reply.error;
    return Variant(reply.value);
  }

  Variant property(const std::string& destination, const char* path, const char* interface,
                   const char* name) {
    Variant reply = call(destination, path, "org.freedesktop.DBus.Properties", "Get",
                         g_variant_new("(ss)", interface, name));
    if (!reply) return nullptr;
    GVariant* value = nullptr;
    g_variant_get(reply.get(), "(v)", &value);
    return Variant(value);
  }

  GDBusConnection* bus = nullptr;
};

// A StatusNotifierWatcher as small as a test needs: it owns the well-known
// name and records every item registered with it.
class TestWatcher {
 public:
  TestWatcher() {
    static GDBusNodeInfo* const info = g_dbus_node_info_new_for_xml(
        R"(<node><interface name="org.kde.StatusNotifierWatcher">
             <method name="RegisterStatusNotifierItem"><arg name="service" type="s"/></method>
           </interface></node>)",
        nullptr);
    static const GDBusInterfaceVTable table = {
        [](GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar*,
           GVariant* parameters, GDBusMethodInvocation* invocation, gpointer data) {
          const char* service = nullptr;
          g_variant_get(parameters, "(&s)", &service);
          static_cast<TestWatcher*>(data)->registered.emplace_back(service);
          g_dbus_method_invocation_return_value(invocation, nullptr);
        },
        nullptr,
        nullptr,
        {}};
    object_ =
        g_dbus_connection_register_object(connection_.bus, "/StatusNotifierWatcher",
                                          info->interfaces[0], &table, this, nullptr, nullptr);
    owner_ = g_bus_own_name_on_connection(
        connection_.bus, "org.kde.StatusNotifierWatcher", G_BUS_NAME_OWNER_FLAGS_NONE,
        [](GDBusConnection*, const gchar*, gpointer data) {
          static_cast<TestWatcher*>(data)->owns_ = true;
        },
        nullptr, this, nullptr);
    spinUntil([this] { return owns_; });
  }
  ~TestWatcher() {
    g_bus_unown_name(owner_);
    g_dbus_connection_unregister_object(connection_.bus, object_);
  }

  std::vector<std::string> registered;

 private:
  Connection connection_;
  guint object_ = 0;
  guint owner_ = 0;
  bool owns_ = false;
};

// A notification server (org.freedesktop.Notifications) as small as a
// test needs, served on the test's own connection: it records each
// notification's summary and body, and who sent it with which icon.
// Messages from one sender reach one connection in order, so once a reply
// from the application arrives here, every notification it sent before
// that reply has been recorded.
class TestNotifications {
 public:
  struct Notice {
    std::string summary;
    std::string body;
    friend bool operator==(const Notice&, const Notice&) = default;
  };

  explicit TestNotifications(Connection& connection) : connection_(connection) {
    static GDBusNodeInfo* const info = g_dbus_node_info_new_for_xml(
        R"(<node><interface name="org.freedesktop.Notifications">
             <method name="Notify">
               <arg type="s" direction="in"/><arg type="u" direction="in"/>
               <arg type="s" direction="in"/><arg type="s" direction="in"/>
               <arg type="s" direction="in"/><arg type="as" direction="in"/>
               <arg type="a{sv}" direction="in"/><arg type="i" direction="in"/>
               <arg type="u" direction="out"/>
             </method>
             <method name="GetCapabilities"><arg type="as" direction="out"/></method>
             <method name="CloseNotification"><arg type="u" direction="in"/></method>
             <method name="GetServerInformation">
               <arg type="s" direction="out"/><arg type="s" direction="out"/>
               <arg type="s" direction="out"/><arg type="s" direction="out"/>
             </method>
           </interface></node>)",
        nullptr);
    static const GDBusInterfaceVTable table = {
        [](GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar* method,
           GVariant* parameters, GDBusMethodInvocation* invocation, gpointer data) {
          auto* self = static_cast<TestNotifications*>(data);
          const std::string_view call = method;
          if (call == "Notify") {
            const char* application = nullptr;
            const char* icon = nullptr;
            const char* summary = nullptr;
            const char* body = nullptr;
            g_variant_get_child(parameters, 0, "&s", &application);
            g_variant_get_child(parameters, 2, "&s", &icon);
            g_variant_get_child(parameters, 3, "&s", &summary);
            g_variant_get_child(parameters, 4, "&s", &body);
            self->received.push_back({summary, body});
            // The icon comes as app_icon or, from GLib, as the image-path hint.
            std::string shown = icon;
            Variant hints(g_variant_get_child_value(parameters, 6));
            const char* path = nullptr;
            if (shown.empty() && g_variant_lookup(hints.get(), "image-path", "&s", &path)) {
              shown = path;
            }
            self->senders.push_back(std::string(application) + " " + shown);
            g_dbus_method_invocation_return_value(
                invocation, g_variant_new("(u)", static_cast<guint32>(self->received.size())));
          } else if (call == "GetCapabilities") {
            const char* capabilities[] = {"body", nullptr};
            g_dbus_method_invocation_return_value(invocation,
                                                  g_variant_new("(^as)", capabilities));
          } else if (call == "GetServerInformation") {
            g_dbus_method_invocation_return_value(
                invocation, g_variant_new("(ssss)", "test", "plugscope", "1", "1.2"));
          } else {
            g_dbus_method_invocation_return_value(invocation, nullptr);
          }
        },
        nullptr,
        nullptr,
        {}};
    object_ = g_dbus_connection_register_object(connection_.bus, "/org/freedesktop/Notifications",
                                                 info->interfaces[0], &table, this, nullptr,
                                                 nullptr);
    owner_ = g_bus_own_name_on_connection(
        connection_.bus, "org.freedesktop.Notifications", G_BUS_NAME_OWNER_FLAGS_NONE,
        [](GDBusConnection*, const gchar*, gpointer data) {
          static_cast<TestNotifications*>(data)->owns_ = true;
        },
        nullptr, this, nullptr);
    spinUntil([this] { return owns_; });
  }
  ~TestNotifications() {
    g_bus_unown_name(owner_);
    g_dbus_connection_unregister_object(connection_.bus, object_);
  }
  TestNotifications(const TestNotifications&) = delete;
  TestNotifications& operator=(const TestNotifications&) = delete;

  bool owned() const { return owns_; }

  std::vector<Notice> received;
  // "application-name icon" of each notification, in order.
  std::vector<std::string> senders;

 private:
  Connection& connection_;
  guint object_ = 0;
  guint owner_ = 0;
  bool owns_ = false;
};

// The unique name that owns `name` on the bus; empty when none does.
inline std::string nameOwner(Connection& client, const char* name) {
  Variant reply = client.call("org.freedesktop.DBus", "/org/freedesktop/DBus",
                              "org.freedesktop.DBus", "GetNameOwner", g_variant_new("(s)", name));
  if (!reply) return {};
  const char* owner = nullptr;
  g_variant_get(reply.get(), "(&s)", &owner);
  return owner;
}

// A menu item as "label", "label (disabled)", "[x] label" or "[ ] label"
// for a checkmark toggle that is on or off, or "--" for a separator.
inline std::string menuLabelOf(GVariant* child) {
  GVariant* node = g_variant_get_variant(child);
  Variant properties(g_variant_get_child_value(node, 1));
  g_variant_unref(node);
  const char* label = nullptr;
  if (g_variant_lookup(properties.get(), "type", "&s", &label)) return "--";
  if (!g_variant_lookup(properties.get(), "label", "&s", &label)) return "?";
  gboolean enabled = TRUE;
  g_variant_lookup(properties.get(), "enabled", "b", &enabled);
  const char* toggle = nullptr;
  gint32 state = 0;
  std::string mark;
  if (g_variant_lookup(properties.get(), "toggle-type", "&s", &toggle) &&
      std::string_view(toggle) == "checkmark") {
    g_variant_lookup(properties.get(), "toggle-state", "i", &state);
    mark = state == 1 ? "[x] " : "[ ] ";
  }
  return mark + label + (enabled ? "" : " (disabled)");
}

// The revision of the item's menu and its top-level items as menuLabelOf
// gives them; with `ids`, each label's item id.
inline std::pair<std::uint32_t, std::vector<std::string>> menuLayout(
    Connection& client, const std::string& item, std::map<std::string, int>* ids = nullptr) {
  const char* none[] = {nullptr};
  Variant reply = client.call(item, kPanelMenuPath, "com.canonical.dbusmenu", "GetLayout",
                              g_variant_new("(ii^as)", 0, -1, none));
  if (!reply) return {};
  std::uint32_t revision = 0;
  GVariant* root = nullptr;
  g_variant_get(reply.get(), "(u@(ia{sv}av))", &revision, &root);
  Variant children(g_variant_get_child_value(root, 2));
  g_variant_unref(root);
  std::vector<std::string> labels;
  for (gsize i = 0; i < g_variant_n_children(children.get()); ++i) {
    Variant child(g_variant_get_child_value(children.get(), i));
    labels.push_back(menuLabelOf(child.get()));
    if (ids) {
      GVariant* node = g_variant_get_variant(child.get());
      gint32 id = 0;
      g_variant_get_child(node, 0, "i", &id);
      g_variant_unref(node);
      (*ids)[labels.back()] = id;
    }
  }
  return {revision, labels};
}

}  // namespace plugscope::test
