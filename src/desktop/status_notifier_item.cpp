#include "desktop/status_notifier_item.h"

#include <gio/gio.h>

#include <algorithm>
#include <cstdint>
#include <string_view>

#include "desktop/panel_icon.h"

namespace plugscope {
namespace {

constexpr const char* kItemInterface = "org.kde.StatusNotifierItem";
constexpr const char* kMenuInterface = "com.canonical.dbusmenu";
constexpr const char* kWatcherName = "org.kde.StatusNotifierWatcher";
constexpr const char* kWatcherPath = "/StatusNotifierWatcher";

constexpr const char* kIntrospection = R"xml(<node>
  <interface name="org.kde.StatusNotifierItem">
    <property name="Category" type="s" access="read"/>
    <property name="Id" type="s" access="read"/>
    <property name="Title" type="s" access="read"/>
    <property name="Status" type="s" access="read"/>
    <property name="WindowId" type="i" access="read"/>
    <property name="IconThemePath" type="s" access="read"/>
    <property name="IconName" type="s" access="read"/>
    <property name="IconPixmap" type="a(iiay)" access="read"/>
    <property name="OverlayIconName" type="s" access="read"/>
    <property name="OverlayIconPixmap" type="a(iiay)" access="read"/>
    <property name="AttentionIconName" type="s" access="read"/>
    <property name="AttentionIconPixmap" type="a(iiay)" access="read"/>
    <property name="AttentionMovieName" type="s" access="read"/>
    <property name="ToolTip" type="(sa(iiay)ss)" access="read"/>
    <property name="ItemIsMenu" type="b" access="read"/>
    <property name="Menu" type="o" access="read"/>
    <property name="XAyatanaLabel" type="s" access="read"/>
    <property name="XAyatanaLabelGuide" type="s" access="read"/>
    <property name="XAyatanaOrderingIndex" type="u" access="read"/>
    <method name="ContextMenu"><arg name="x" type="i"/><arg name="y" type="i"/></method>
    <method name="Activate"><arg name="x" type="i"/><arg name="y" type="i"/></method>
    <method name="SecondaryActivate"><arg name="x" type="i"/><arg name="y" type="i"/></method>
    <method name="Scroll"><arg name="delta" type="i"/><arg name="orientation" type="s"/></method>
    <signal name="NewTitle"/>
    <signal name="NewIcon"/>
    <signal name="NewAttentionIcon"/>
    <signal name="NewOverlayIcon"/>
    <signal name="NewToolTip"/>
    <signal name="NewStatus"><arg name="status" type="s"/></signal>
    <signal name="XAyatanaNewLabel">
      <arg name="label" type="s"/><arg name="guide" type="s"/>
    </signal>
  </interface>
  <interface name="com.canonical.dbusmenu">
    <property name="Version" type="u" access="read"/>
    <property name="TextDirection" type="s" access="read"/>
    <property name="Status" type="s" access="read"/>
    <property name="IconThemePath" type="as" access="read"/>
    <method name="GetLayout">
      <arg name="parentId" type="i" direction="in"/>
      <arg name="recursionDepth" type="i" direction="in"/>
      <arg name="propertyNames" type="as" direction="in"/>
      <arg name="revision" type="u" direction="out"/>
      <arg name="layout" type="(ia{sv}av)" direction="out"/>
    </method>
    <method name="GetGroupProperties">
      <arg name="ids" type="ai" direction="in"/>
      <arg name="propertyNames" type="as" direction="in"/>
      <arg name="properties" type="a(ia{sv})" direction="out"/>
    </method>
    <method name="GetProperty">
      <arg name="id" type="i" direction="in"/>
      <arg name="name" type="s" direction="in"/>
      <arg name="value" type="v" direction="out"/>
    </method>
    <method name="Event">
      <arg name="id" type="i" direction="in"/>
      <arg name="eventId" type="s" direction="in"/>
      <arg name="data" type="v" direction="in"/>
      <arg name="timestamp" type="u" direction="in"/>
    </method>
    <method name="EventGroup">
      <arg name="events" type="a(isvu)" direction="in"/>
      <arg name="idErrors" type="ai" direction="out"/>
    </method>
    <method name="AboutToShow">
      <arg name="id" type="i" direction="in"/>
      <arg name="needUpdate" type="b" direction="out"/>
    </method>
    <method name="AboutToShowGroup">
      <arg name="ids" type="ai" direction="in"/>
      <arg name="updatesNeeded" type="ai" direction="out"/>
      <arg name="idErrors" type="ai" direction="out"/>
    </method>
    <signal name="ItemsPropertiesUpdated">
      <arg name="updatedProps" type="a(ia{sv})"/>
      <arg name="removedProps" type="a(ias)"/>
    </signal>
    <signal name="LayoutUpdated">
      <arg name="revision" type="u"/><arg name="parent" type="i"/>
    </signal>
    <signal name="ItemActivationRequested">
      <arg name="id" type="i"/><arg name="timestamp" type="u"/>
    </signal>
  </interface>
</node>)xml";

// Parsed once; read-only afterwards.
GDBusNodeInfo* introspection() {
  static GDBusNodeInfo* const info = g_dbus_node_info_new_for_xml(kIntrospection, nullptr);
  return info;
}

// Menu item ids. The commands keep theirs whatever the ports do, so that a
// click on a menu the panel drew before a change still means the same.
constexpr std::int32_t kRootId = 0;
constexpr std::int32_t kSeparatorId = 5;
constexpr std::int32_t kFirstPortLineId = 100;

std::int32_t commandId(PanelCommand command) {
  switch (command) {
    case PanelCommand::showWidget: return 1;
    case PanelCommand::notifyOnPlug: return 2;
    case PanelCommand::startAtLogin: return 3;
    case PanelCommand::quit: return 4;
  }
  return -1;
}

std::int32_t itemId(const std::vector<PanelMenuItem>& menu, std::size_t index) {
  const PanelMenuItem& item = menu[index];
  if (item.command) return commandId(*item.command);
  if (item.separator) return kSeparatorId;
  return kFirstPortLineId + static_cast<std::int32_t>(index);
}

// The item with `id`; null when there is none.
const PanelMenuItem* findItem(const std::vector<PanelMenuItem>& menu, std::int32_t id) {
  for (std::size_t i = 0; i < menu.size(); ++i) {
    if (itemId(menu, i) == id) return &menu[i];
  }
  return nullptr;
}

// The names asked for; all when the list is empty.
bool wanted(GVariant* names, std::string_view name) {
  if (!names || g_variant_n_children(names) == 0) return true;
  GVariantIter iter;
  const char* each = nullptr;
  g_variant_iter_init(&iter, names);
  while (g_variant_iter_next(&iter, "&s", &each)) {
    if (name == each) return true;
  }
  return false;
}

GVariant* itemProperties(const PanelMenuItem* item, GVariant* names) {
  GVariantBuilder builder;
  g_variant_builder_init(&builder, G_VARIANT_TYPE("a{sv}"));
  auto add = [&](const char* key, GVariant* value) {
    if (wanted(names, key)) {
      g_variant_builder_add(&builder, "{sv}", key, value);
    } else {
      g_autoptr(GVariant) unused = g_variant_ref_sink(value);
    }
  };
  if (!item) {
    add("children-display", g_variant_new_string("submenu"));
  } else if (item->separator) {
    add("type", g_variant_new_string("separator"));
  } else {
    add("label", g_variant_new_string(item->label.c_str()));
    if (!item->enabled) add("enabled", g_variant_new_boolean(false));
    if (item->checked) {
      add("toggle-type", g_variant_new_string("checkmark"));
      add("toggle-state", g_variant_new_int32(*item->checked ? 1 : 0));
    }
  }
  return g_variant_builder_end(&builder);
}

GVariant* layoutNode(std::int32_t id, const PanelMenuItem* item, GVariant* names,
                     GVariant* children) {
  return g_variant_new("(i@a{sv}@av)", id, itemProperties(item, names), children);
}

GVariant* noChildren() { return g_variant_new_array(G_VARIANT_TYPE_VARIANT, nullptr, 0); }

// The icon at every size panels ask for, as IconPixmap wants it.
GVariant* iconPixmaps() {
  GVariantBuilder builder;
  g_variant_builder_init(&builder, G_VARIANT_TYPE("a(iiay)"));
  for (const int size : kPanelIconSizes) {
    const IconPixmap pixmap = drawPanelIcon(size);
    if (pixmap.argb.empty()) continue;
    g_variant_builder_add(&builder, "(ii@ay)", pixmap.width, pixmap.height,
                          g_variant_new_fixed_array(G_VARIANT_TYPE_BYTE, pixmap.argb.data(),
                                                    pixmap.argb.size(), 1));
  }
  return g_variant_ref_sink(g_variant_builder_end(&builder));
}

}  // namespace

struct StatusNotifierItem::Impl {
  // A panel's watcher is on the bus, so the item is on show.
  bool watched = false;
  PanelState state;
  PanelCallbacks callbacks;
  std::uint32_t revision = 1;
  GCancellable* cancellable = g_cancellable_new();
  GDBusConnection* connection = nullptr;
  guint itemObject = 0;
  guint menuObject = 0;
  guint watcherWatch = 0;
  GVariant* pixmaps = iconPixmaps();

  ~Impl() {
    g_cancellable_cancel(cancellable);
    if (watcherWatch) g_bus_unwatch_name(watcherWatch);
    if (connection) {
      if (itemObject) g_dbus_connection_unregister_object(connection, itemObject);
      if (menuObject) g_dbus_connection_unregister_object(connection, menuObject);
    }
    g_clear_object(&connection);
    g_clear_object(&cancellable);
    g_clear_pointer(&pixmaps, g_variant_unref);
  }

  void emit(const char* path, const char* interface, const char* signal,
            GVariant* parameters = nullptr) {
    g_dbus_connection_emit_signal(connection, nullptr, path, interface, signal, parameters,
                                  nullptr);
  }

  static void onSessionBus(GObject*, GAsyncResult* result, gpointer data);
  static void onOtherBus(GObject*, GAsyncResult* result, gpointer data);
  // Exports the item and its menu on `bus` (owned from now on) and starts
  // looking out for watchers.
  void attach(GDBusConnection* bus);
  static void onWatcherAppeared(GDBusConnection* connection, const gchar*, const gchar*,
                                gpointer data);
  static void onWatcherVanished(GDBusConnection*, const gchar*, gpointer data) {
    static_cast<Impl*>(data)->watched = false;
  }
  static GVariant* itemProperty(GDBusConnection*, const gchar*, const gchar*, const gchar*,
                                const gchar* name, GError**, gpointer data);
  static GVariant* menuProperty(GDBusConnection*, const gchar*, const gchar*, const gchar*,
                                const gchar* name, GError**, gpointer data);
  static void itemCall(GDBusConnection*, const gchar*, const gchar*, const gchar*,
                       const gchar* method, GVariant* parameters, GDBusMethodInvocation* invocation,
                       gpointer data);
  static void menuCall(GDBusConnection*, const gchar*, const gchar*, const gchar*,
                       const gchar* method, GVariant* parameters, GDBusMethodInvocation* invocation,
                       gpointer data);

  GVariant* layout(std::int32_t parent, std::int32_t depth, GVariant* names) const;
  // Runs what a click on `id` means. May destroy the item: touch nothing after.
  void clicked(std::int32_t id);
};

void StatusNotifierItem::Impl::onSessionBus(GObject*, GAsyncResult* result, gpointer data) {
  g_autoptr(GError) error = nullptr;
  // Cancelled means the item is gone: `data` must not be touched then.
  if (GDBusConnection* connection = g_bus_get_finish(result, &error)) {
    static_cast<Impl*>(data)->attach(connection);
  }
}

void StatusNotifierItem::Impl::onOtherBus(GObject*, GAsyncResult* result, gpointer data) {
  g_autoptr(GError) error = nullptr;
  if (GDBusConnection* connection = g_dbus_connection_new_for_address_finish(result, &error)) {
    static_cast<Impl*>(data)->attach(connection);
  }
}

void StatusNotifierItem::Impl::attach(GDBusConnection* bus) {
  connection = bus;
  static const GDBusInterfaceVTable itemTable = {itemCall, itemProperty, nullptr, {}};
  static const GDBusInterfaceVTable menuTable = {menuCall, menuProperty, nullptr, {}};
  itemObject = g_dbus_connection_register_object(
      connection, kStatusNotifierItemPath,
      g_dbus_node_info_lookup_interface(introspection(), kItemInterface), &itemTable, this, nullptr,
      nullptr);
  menuObject = g_dbus_connection_register_object(
      connection, kPanelMenuPath,
      g_dbus_node_info_lookup_interface(introspection(), kMenuInterface), &menuTable, this, nullptr,
      nullptr);
  // Called at once when a watcher is there, and again for every new one.
  watcherWatch =
      g_bus_watch_name_on_connection(connection, kWatcherName, G_BUS_NAME_WATCHER_FLAGS_NONE,
                                     onWatcherAppeared, onWatcherVanished, this, nullptr);
}

void StatusNotifierItem::Impl::onWatcherAppeared(GDBusConnection* connection, const gchar*,
                                                 const gchar* owner, gpointer data) {
  auto* self = static_cast<Impl*>(data);
  self->watched = true;
  // The watcher finds the item at its usual path under our unique name.
  g_dbus_connection_call(connection, owner, kWatcherPath, kWatcherName,
                         "RegisterStatusNotifierItem",
                         g_variant_new("(s)", g_dbus_connection_get_unique_name(connection)),
                         nullptr, G_DBUS_CALL_FLAGS_NONE, -1, self->cancellable, nullptr, nullptr);
}

GVariant* StatusNotifierItem::Impl::itemProperty(GDBusConnection*, const gchar*, const gchar*,
                                                 const gchar*, const gchar* name, GError** error,
                                                 gpointer data) {
  const auto* self = static_cast<const Impl*>(data);
  const std::string_view property = name;
  const std::string& summary = self->state.summary;
  if (property == "Category") return g_variant_new_string("ApplicationStatus");
  if (property == "Id") return g_variant_new_string(kDesktopApplicationId);
  if (property == "Title" || property == "XAyatanaLabel" || property == "XAyatanaLabelGuide") {
    return g_variant_new_string(summary.c_str());
  }
  // Some panels hide passive items; ours is worth a glance at all times.
  if (property == "Status") return g_variant_new_string("Active");
  if (property == "WindowId") return g_variant_new_int32(0);
  if (property == "IconName") return g_variant_new_string(kDesktopApplicationId);
  if (property == "IconPixmap") return g_variant_ref(self->pixmaps);
  if (property == "IconThemePath" || property == "OverlayIconName" ||
      property == "AttentionIconName" || property == "AttentionMovieName") {
    return g_variant_new_string("");
  }
  if (property == "OverlayIconPixmap" || property == "AttentionIconPixmap") {
    return g_variant_new_array(G_VARIANT_TYPE("(iiay)"), nullptr, 0);
  }
  if (property == "ToolTip") {
    return g_variant_new("(s@a(iiay)ss)", kDesktopApplicationId,
                         g_variant_new_array(G_VARIANT_TYPE("(iiay)"), nullptr, 0), "Plugscope",
                         summary.c_str());
  }
  if (property == "ItemIsMenu") return g_variant_new_boolean(false);
  if (property == "Menu") return g_variant_new_object_path(kPanelMenuPath);
  if (property == "XAyatanaOrderingIndex") return g_variant_new_uint32(0);
  g_set_error(error, G_DBUS_ERROR, G_DBUS_ERROR_UNKNOWN_PROPERTY, "No property %s", name);
  return nullptr;
}

GVariant* StatusNotifierItem::Impl::menuProperty(GDBusConnection*, const gchar*, const gchar*,
                                                 const gchar*, const gchar* name, GError** error,
                                                 gpointer) {
  const std::string_view property = name;
  if (property == "Version") return g_variant_new_uint32(3);
  if (property == "TextDirection") return g_variant_new_string("ltr");
  if (property == "Status") return g_variant_new_string("normal");
  if (property == "IconThemePath") return g_variant_new_strv(nullptr, 0);
  g_set_error(error, G_DBUS_ERROR, G_DBUS_ERROR_UNKNOWN_PROPERTY, "No property %s", name);
  return nullptr;
}

void StatusNotifierItem::Impl::itemCall(GDBusConnection*, const gchar*, const gchar*, const gchar*,
                                        const gchar* method, GVariant*,
                                        GDBusMethodInvocation* invocation, gpointer data) {
  g_dbus_method_invocation_return_value(invocation, nullptr);
  // ContextMenu, SecondaryActivate and Scroll mean nothing here: the panel
  // shows the menu itself.
  if (std::string_view(method) != "Activate") return;
  const auto activate = static_cast<Impl*>(data)->callbacks.activate;
  if (activate) activate();
}

GVariant* StatusNotifierItem::Impl::layout(std::int32_t parent, std::int32_t depth,
                                           GVariant* names) const {
  const auto& menu = state.menu;
  if (parent != kRootId) {
    const PanelMenuItem* item = findItem(menu, parent);
    return item ? layoutNode(parent, item, names, noChildren()) : nullptr;
  }
  GVariantBuilder children;
  g_variant_builder_init(&children, G_VARIANT_TYPE("av"));
  if (depth != 0) {
    for (std::size_t i = 0; i < menu.size(); ++i) {
      g_variant_builder_add(&children, "v",
                            layoutNode(itemId(menu, i), &menu[i], names, noChildren()));
    }
  }
  return layoutNode(kRootId, nullptr, names, g_variant_builder_end(&children));
}

void StatusNotifierItem::Impl::clicked(std::int32_t id) {
  const PanelMenuItem* item = findItem(state.menu, id);
  if (!item || !item->enabled || !item->command) return;
  const bool checked = item->checked.value_or(false);
  // Copies: the callback may destroy the item and with it `callbacks`.
  switch (*item->command) {
    case PanelCommand::showWidget:
      if (auto f = callbacks.showWidget) f();
      break;
    case PanelCommand::notifyOnPlug:
      if (auto f = callbacks.setNotifyOnPlug) f(!checked);
      break;
    case PanelCommand::startAtLogin:
      if (auto f = callbacks.setStartAtLogin) f(!checked);
      break;
    case PanelCommand::quit:
      if (auto f = callbacks.quit) f();
      break;
  }
}

void StatusNotifierItem::Impl::menuCall(GDBusConnection*, const gchar*, const gchar*, const gchar*,
                                        const gchar* method, GVariant* parameters,
                                        GDBusMethodInvocation* invocation, gpointer data) {
  auto* self = static_cast<Impl*>(data);
  const std::string_view call = method;
  if (call == "GetLayout") {
    gint32 parent = 0;
    gint32 depth = 0;
    g_autoptr(GVariant) names = nullptr;
    g_variant_get(parameters, "(ii@as)", &parent, &depth, &names);
    GVariant* node = self->layout(parent, depth, names);
    if (!node) {
      g_dbus_method_invocation_return_error(invocation, G_DBUS_ERROR, G_DBUS_ERROR_INVALID_ARGS,
                                            "No menu item %d", parent);
      return;
    }
    g_dbus_method_invocation_return_value(invocation,
                                          g_variant_new("(u@(ia{sv}av))", self->revision, node));
  } else if (call == "GetGroupProperties") {
    g_autoptr(GVariant) ids = nullptr;
    g_autoptr(GVariant) names = nullptr;
    g_variant_get(parameters, "(@ai@as)", &ids, &names);
    gsize count = 0;
    const auto* wantedIds =
        static_cast<const gint32*>(g_variant_get_fixed_array(ids, &count, sizeof(gint32)));
    GVariantBuilder result;
    g_variant_builder_init(&result, G_VARIANT_TYPE("a(ia{sv})"));
    // The root is an item too, with properties of its own, when asked for.
    if (std::find(wantedIds, wantedIds + count, kRootId) != wantedIds + count) {
      g_variant_builder_add(&result, "(i@a{sv})", kRootId, itemProperties(nullptr, names));
    }
    const auto& menu = self->state.menu;
    for (std::size_t i = 0; i < menu.size(); ++i) {
      const std::int32_t id = itemId(menu, i);
      // An empty list asks for every item.
      if (count == 0 || std::find(wantedIds, wantedIds + count, id) != wantedIds + count) {
        g_variant_builder_add(&result, "(i@a{sv})", id, itemProperties(&menu[i], names));
      }
    }
    g_dbus_method_invocation_return_value(
        invocation, g_variant_new("(@a(ia{sv}))", g_variant_builder_end(&result)));
  } else if (call == "GetProperty") {
    gint32 id = 0;
    const char* name = nullptr;
    g_variant_get(parameters, "(i&s)", &id, &name);
    const PanelMenuItem* item = findItem(self->state.menu, id);
    g_autoptr(GVariant) value = nullptr;
    if (item || id == kRootId) {
      g_autoptr(GVariant) properties = g_variant_ref_sink(itemProperties(item, nullptr));
      value = g_variant_lookup_value(properties, name, nullptr);
    }
    if (!value) {
      g_dbus_method_invocation_return_error(invocation, G_DBUS_ERROR, G_DBUS_ERROR_INVALID_ARGS,
                                            "No property %s on menu item %d", name, id);
      return;
    }
    g_dbus_method_invocation_return_value(invocation, g_variant_new("(v)", value));
  } else if (call == "Event") {
    gint32 id = 0;
    const char* event = nullptr;
    g_variant_get(parameters, "(i&svu)", &id, &event, nullptr, nullptr);
    const bool click = std::string_view(event) == "clicked";
    g_dbus_method_invocation_return_value(invocation, nullptr);
    if (click) self->clicked(id);
  } else if (call == "EventGroup") {
    g_autoptr(GVariantIter) events = nullptr;
    g_variant_get(parameters, "(a(isvu))", &events);
    GVariantBuilder unknown;
    g_variant_builder_init(&unknown, G_VARIANT_TYPE("ai"));
    std::vector<std::int32_t> clicks;
    gint32 id = 0;
    const char* event = nullptr;
    while (g_variant_iter_next(events, "(i&svu)", &id, &event, nullptr, nullptr)) {
      if (id != kRootId && !findItem(self->state.menu, id)) {
        g_variant_builder_add(&unknown, "i", id);
      } else if (std::string_view(event) == "clicked") {
        clicks.push_back(id);
      }
    }
    g_dbus_method_invocation_return_value(invocation,
                                          g_variant_new("(@ai)", g_variant_builder_end(&unknown)));
    // One click at most: the first may already have destroyed the item.
    if (!clicks.empty()) self->clicked(clicks.front());
  } else if (call == "AboutToShow") {
    g_dbus_method_invocation_return_value(invocation, g_variant_new("(b)", false));
  } else if (call == "AboutToShowGroup") {
    g_autoptr(GVariant) ids = nullptr;
    g_variant_get(parameters, "(@ai)", &ids);
    gsize count = 0;
    const auto* asked =
        static_cast<const gint32*>(g_variant_get_fixed_array(ids, &count, sizeof(gint32)));
    GVariantBuilder unknown;
    g_variant_builder_init(&unknown, G_VARIANT_TYPE("ai"));
    for (gsize i = 0; i < count; ++i) {
      if (asked[i] != kRootId && !findItem(self->state.menu, asked[i])) {
        g_variant_builder_add(&unknown, "i", asked[i]);
      }
    }
    g_dbus_method_invocation_return_value(
        invocation, g_variant_new("(@ai@ai)", g_variant_new_array(G_VARIANT_TYPE_INT32, nullptr, 0),
                                  g_variant_builder_end(&unknown)));
  } else {
    g_dbus_method_invocation_return_error(invocation, G_DBUS_ERROR, G_DBUS_ERROR_UNKNOWN_METHOD,
                                          "No method %s", method);
  }
}

StatusNotifierItem::StatusNotifierItem(PanelState state, PanelCallbacks callbacks,
                                       std::optional<std::string> busAddress)
    : impl_(std::make_unique<Impl>()) {
  impl_->state = std::move(state);
  impl_->callbacks = std::move(callbacks);
  if (busAddress) {
    g_dbus_connection_new_for_address(
        busAddress->c_str(),
        static_cast<GDBusConnectionFlags>(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                                          G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
        nullptr, impl_->cancellable, Impl::onOtherBus, impl_.get());
  } else {
    g_bus_get(G_BUS_TYPE_SESSION, impl_->cancellable, Impl::onSessionBus, impl_.get());
  }
}

StatusNotifierItem::~StatusNotifierItem() = default;

bool StatusNotifierItem::inPanel() const { return impl_->watched; }

void StatusNotifierItem::update(const PanelState& state) {
  Impl& impl = *impl_;
  const bool summaryChanged = state.summary != impl.state.summary;
  const bool menuChanged = state.menu != impl.state.menu;
  impl.state = state;
  if (menuChanged) ++impl.revision;
  if (!impl.connection) return;
  if (summaryChanged) {
    impl.emit(kStatusNotifierItemPath, kItemInterface, "NewTitle");
    impl.emit(kStatusNotifierItemPath, kItemInterface, "NewToolTip");
    impl.emit(kStatusNotifierItemPath, kItemInterface, "XAyatanaNewLabel",
              g_variant_new("(ss)", impl.state.summary.c_str(), impl.state.summary.c_str()));
  }
  if (menuChanged) {
    impl.emit(kPanelMenuPath, kMenuInterface, "LayoutUpdated",
              g_variant_new("(ui)", impl.revision, kRootId));
  }
}

}  // namespace plugscope
