#include "desktop/status_notifier_item.h"

#include <gio/gio.h>

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string_view>

#include "desktop/bus_interface.h"
#include "desktop/panel_icon.h"

namespace plugscope {
namespace {

constexpr const char* kItemInterfaceName = "org.kde.StatusNotifierItem";
constexpr const char* kMenuInterfaceName = "com.canonical.dbusmenu";
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
// The menu is flat: the root and its items.
constexpr std::int32_t kMenuDepth = 1;

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

// The item with `id`; null when there is none (the root included).
const PanelMenuItem* findItem(const std::vector<PanelMenuItem>& menu, std::int32_t id) {
  for (std::size_t i = 0; i < menu.size(); ++i) {
    if (itemId(menu, i) == id) return &menu[i];
  }
  return nullptr;
}

bool knownId(const std::vector<PanelMenuItem>& menu, std::int32_t id) {
  return id == kRootId || findItem(menu, id);
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

// The properties of `item` (the root when null) that `names` asks for, as
// a floating a{sv}.
GVariant* itemProperties(const PanelMenuItem* item, GVariant* names) {
  GVariantBuilder builder;
  g_variant_builder_init(&builder, G_VARIANT_TYPE("a{sv}"));
  auto add = [&](const char* key, GVariant* value) {
    g_autoptr(GVariant) owned = g_variant_ref_sink(value);
    if (wanted(names, key)) g_variant_builder_add(&builder, "{sv}", key, owned);
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

GVariant* noChildren() { return g_variant_new_array(G_VARIANT_TYPE_VARIANT, nullptr, 0); }

GVariant* layoutNode(std::int32_t id, const PanelMenuItem* item, GVariant* names,
                     GVariant* children) {
  return g_variant_new("(i@a{sv}@av)", id, itemProperties(item, names), children);
}

// The ids of an `ai` argument, sorted and without repeats.
std::vector<std::int32_t> idSet(GVariant* ids) {
  gsize count = 0;
  const auto* first =
      static_cast<const gint32*>(g_variant_get_fixed_array(ids, &count, sizeof(gint32)));
  std::vector<std::int32_t> set(first, first + count);
  std::ranges::sort(set);
  set.erase(std::unique(set.begin(), set.end()), set.end());
  return set;
}

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

GVariant* noPixmaps() { return g_variant_new_array(G_VARIANT_TYPE("(iiay)"), nullptr, 0); }

// What the item's two exported objects share: the state shown, the
// callbacks, and the bus.
struct ItemObject {
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

  ItemObject() = default;
  ItemObject(const ItemObject&) = delete;
  ItemObject& operator=(const ItemObject&) = delete;
  ~ItemObject() {
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

  // Runs what a click on `id` means. May destroy the item: touch nothing after.
  void clicked(std::int32_t id) {
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
};

void replyNothing(GDBusMethodInvocation* invocation) {
  g_dbus_method_invocation_return_value(invocation, nullptr);
}

// org.kde.StatusNotifierItem. ContextMenu, SecondaryActivate and Scroll
// mean nothing here: the panel shows the menu itself.

void activate(ItemObject& self, GVariant*, GDBusMethodInvocation* invocation) {
  replyNothing(invocation);
  if (auto f = self.callbacks.activate) f();
}

void ignore(ItemObject&, GVariant*, GDBusMethodInvocation* invocation) { replyNothing(invocation); }

GVariant* summary(const ItemObject& self) {
  return g_variant_new_string(self.state.summary.c_str());
}
GVariant* applicationId(const ItemObject&) { return g_variant_new_string(kDesktopApplicationId); }
GVariant* emptyString(const ItemObject&) { return g_variant_new_string(""); }
GVariant* noIcons(const ItemObject&) { return noPixmaps(); }

const BusMethod<ItemObject> kItemMethods[] = {
    {"ContextMenu", "ii", "", ignore},
    {"Activate", "ii", "", activate},
    {"SecondaryActivate", "ii", "", ignore},
    {"Scroll", "is", "", ignore},
};

const BusProperty<ItemObject> kItemProperties[] = {
    {"Category", "s", +[](const ItemObject&) { return g_variant_new_string("ApplicationStatus"); }},
    {"Id", "s", applicationId},
    {"Title", "s", summary},
    // Some panels hide passive items; ours is worth a glance at all times.
    {"Status", "s", +[](const ItemObject&) { return g_variant_new_string("Active"); }},
    {"WindowId", "i", +[](const ItemObject&) { return g_variant_new_int32(0); }},
    {"IconThemePath", "s", emptyString},
    {"IconName", "s", applicationId},
    {"IconPixmap", "a(iiay)", +[](const ItemObject& self) { return g_variant_ref(self.pixmaps); }},
    {"OverlayIconName", "s", emptyString},
    {"OverlayIconPixmap", "a(iiay)", noIcons},
    {"AttentionIconName", "s", emptyString},
    {"AttentionIconPixmap", "a(iiay)", noIcons},
    {"AttentionMovieName", "s", emptyString},
    {"ToolTip", "(sa(iiay)ss)",
     +[](const ItemObject& self) {
       return g_variant_new("(s@a(iiay)ss)", kDesktopApplicationId, noPixmaps(), "Plugscope",
                            self.state.summary.c_str());
     }},
    {"ItemIsMenu", "b", +[](const ItemObject&) { return g_variant_new_boolean(false); }},
    {"Menu", "o", +[](const ItemObject&) { return g_variant_new_object_path(kPanelMenuPath); }},
    {"XAyatanaLabel", "s", summary},
    {"XAyatanaLabelGuide", "s", summary},
    {"XAyatanaOrderingIndex", "u", +[](const ItemObject&) { return g_variant_new_uint32(0); }},
};

const BusSignal kItemSignals[] = {
    {"NewTitle", ""},       {"NewIcon", ""},    {"NewAttentionIcon", ""},
    {"NewOverlayIcon", ""}, {"NewToolTip", ""}, {"NewStatus", "s"},
    {"XAyatanaNewLabel", "ss"},
};

const BusInterface<ItemObject> kItemInterface{kItemInterfaceName, kItemMethods, kItemProperties,
                                              kItemSignals};

// com.canonical.dbusmenu.

// The layout below `parent` to `depth` levels (negative: all of them).
void getLayout(ItemObject& self, GVariant* parameters, GDBusMethodInvocation* invocation) {
  gint32 parent = 0;
  gint32 depth = 0;
  g_autoptr(GVariant) names = nullptr;
  g_variant_get(parameters, "(ii@as)", &parent, &depth, &names);
  const auto& menu = self.state.menu;
  const int levels = depth < 0 ? kMenuDepth : std::min(depth, kMenuDepth);
  GVariant* node = nullptr;
  if (parent == kRootId) {
    GVariantBuilder children;
    g_variant_builder_init(&children, G_VARIANT_TYPE("av"));
    for (std::size_t i = 0; levels > 0 && i < menu.size(); ++i) {
      g_variant_builder_add(&children, "v",
                            layoutNode(itemId(menu, i), &menu[i], names, noChildren()));
    }
    node = layoutNode(kRootId, nullptr, names, g_variant_builder_end(&children));
  } else if (const PanelMenuItem* item = findItem(menu, parent)) {
    node = layoutNode(parent, item, names, noChildren());
  } else {
    g_dbus_method_invocation_return_error(invocation, G_DBUS_ERROR, G_DBUS_ERROR_INVALID_ARGS,
                                          "No menu item %d", parent);
    return;
  }
  g_dbus_method_invocation_return_value(invocation,
                                        g_variant_new("(u@(ia{sv}av))", self.revision, node));
}

// The properties of every known item asked for (all of them for no ids),
// each once; unknown ids are left out.
void getGroupProperties(ItemObject& self, GVariant* parameters,
                        GDBusMethodInvocation* invocation) {
  g_autoptr(GVariant) ids = nullptr;
  g_autoptr(GVariant) names = nullptr;
  g_variant_get(parameters, "(@ai@as)", &ids, &names);
  const std::vector<std::int32_t> asked = idSet(ids);
  const auto isAsked = [&](std::int32_t id) {
    return asked.empty() || std::ranges::binary_search(asked, id);
  };
  GVariantBuilder result;
  g_variant_builder_init(&result, G_VARIANT_TYPE("a(ia{sv})"));
  // The root is an item too, with properties of its own, when asked for.
  if (!asked.empty() && isAsked(kRootId)) {
    g_variant_builder_add(&result, "(i@a{sv})", kRootId, itemProperties(nullptr, names));
  }
  const auto& menu = self.state.menu;
  for (std::size_t i = 0; i < menu.size(); ++i) {
    const std::int32_t id = itemId(menu, i);
    if (isAsked(id)) {
      g_variant_builder_add(&result, "(i@a{sv})", id, itemProperties(&menu[i], names));
    }
  }
  g_dbus_method_invocation_return_value(
      invocation, g_variant_new("(@a(ia{sv}))", g_variant_builder_end(&result)));
}

void getProperty(ItemObject& self, GVariant* parameters, GDBusMethodInvocation* invocation) {
  gint32 id = 0;
  const char* name = nullptr;
  g_variant_get(parameters, "(i&s)", &id, &name);
  g_autoptr(GVariant) value = nullptr;
  if (knownId(self.state.menu, id)) {
    g_autoptr(GVariant) properties =
        g_variant_ref_sink(itemProperties(findItem(self.state.menu, id), nullptr));
    value = g_variant_lookup_value(properties, name, nullptr);
  }
  if (!value) {
    g_dbus_method_invocation_return_error(invocation, G_DBUS_ERROR, G_DBUS_ERROR_INVALID_ARGS,
                                          "No property %s on menu item %d", name, id);
    return;
  }
  g_dbus_method_invocation_return_value(invocation, g_variant_new("(v)", value));
}

// Only "clicked" asks anything of the application; other events, and
// events on items we do not have, are answered and dropped.
void event(ItemObject& self, GVariant* parameters, GDBusMethodInvocation* invocation) {
  gint32 id = 0;
  const char* name = nullptr;
  g_variant_get(parameters, "(i&svu)", &id, &name, nullptr, nullptr);
  const bool click = std::string_view(name) == "clicked";
  replyNothing(invocation);
  if (click) self.clicked(id);
}

void eventGroup(ItemObject& self, GVariant* parameters, GDBusMethodInvocation* invocation) {
  g_autoptr(GVariantIter) events = nullptr;
  g_variant_get(parameters, "(a(isvu))", &events);
  GVariantBuilder unknown;
  g_variant_builder_init(&unknown, G_VARIANT_TYPE("ai"));
  std::optional<std::int32_t> click;
  gint32 id = 0;
  const char* name = nullptr;
  while (g_variant_iter_next(events, "(i&svu)", &id, &name, nullptr, nullptr)) {
    if (!knownId(self.state.menu, id)) {
      g_variant_builder_add(&unknown, "i", id);
    } else if (!click && std::string_view(name) == "clicked") {
      click = id;
    }
  }
  g_dbus_method_invocation_return_value(invocation,
                                        g_variant_new("(@ai)", g_variant_builder_end(&unknown)));
  // One click at most: the first may already have destroyed the item.
  if (click) self.clicked(*click);
}

void aboutToShow(ItemObject&, GVariant*, GDBusMethodInvocation* invocation) {
  g_dbus_method_invocation_return_value(invocation, g_variant_new("(b)", false));
}

void aboutToShowGroup(ItemObject& self, GVariant* parameters, GDBusMethodInvocation* invocation) {
  g_autoptr(GVariant) ids = nullptr;
  g_variant_get(parameters, "(@ai)", &ids);
  GVariantBuilder unknown;
  g_variant_builder_init(&unknown, G_VARIANT_TYPE("ai"));
  for (const std::int32_t id : idSet(ids)) {
    if (!knownId(self.state.menu, id)) g_variant_builder_add(&unknown, "i", id);
  }
  g_dbus_method_invocation_return_value(
      invocation, g_variant_new("(@ai@ai)", g_variant_new_array(G_VARIANT_TYPE_INT32, nullptr, 0),
                                g_variant_builder_end(&unknown)));
}

const BusMethod<ItemObject> kMenuMethods[] = {
    {"GetLayout", "iias", "u(ia{sv}av)", getLayout},
    {"GetGroupProperties", "aias", "a(ia{sv})", getGroupProperties},
    {"GetProperty", "is", "v", getProperty},
    {"Event", "isvu", "", event},
    {"EventGroup", "a(isvu)", "ai", eventGroup},
    {"AboutToShow", "i", "b", aboutToShow},
    {"AboutToShowGroup", "ai", "aiai", aboutToShowGroup},
};

const BusProperty<ItemObject> kMenuProperties[] = {
    {"Version", "u", +[](const ItemObject&) { return g_variant_new_uint32(3); }},
    {"TextDirection", "s", +[](const ItemObject&) { return g_variant_new_string("ltr"); }},
    {"Status", "s", +[](const ItemObject&) { return g_variant_new_string("normal"); }},
    {"IconThemePath", "as", +[](const ItemObject&) { return g_variant_new_strv(nullptr, 0); }},
};

const BusSignal kMenuSignals[] = {
    {"ItemsPropertiesUpdated", "a(ia{sv})a(ias)"},
    {"LayoutUpdated", "ui"},
    {"ItemActivationRequested", "iu"},
};

const BusInterface<ItemObject> kMenuInterface{kMenuInterfaceName, kMenuMethods, kMenuProperties,
                                              kMenuSignals};

}  // namespace

struct StatusNotifierItem::Impl : ItemObject {
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
  ItemObject& object = *this;
  itemObject = exportBusInterface(
      connection, kStatusNotifierItemPath,
      g_dbus_node_info_lookup_interface(introspection(), kItemInterfaceName), kItemInterface,
      object);
  menuObject = exportBusInterface(
      connection, kPanelMenuPath,
      g_dbus_node_info_lookup_interface(introspection(), kMenuInterfaceName), kMenuInterface,
      object);
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
    const char* shown = impl.state.summary.c_str();
    emitBusSignal(impl.connection, kStatusNotifierItemPath, kItemInterface, "NewTitle");
    emitBusSignal(impl.connection, kStatusNotifierItemPath, kItemInterface, "NewToolTip");
    emitBusSignal(impl.connection, kStatusNotifierItemPath, kItemInterface, "XAyatanaNewLabel",
                  g_variant_new("(ss)", shown, shown));
  }
  if (menuChanged) {
    emitBusSignal(impl.connection, kPanelMenuPath, kMenuInterface, "LayoutUpdated",
                  g_variant_new("(ui)", impl.revision, kRootId));
  }
}

std::vector<BusInterfaceListing> statusNotifierInterfaces() {
  return {{kItemInterfaceName, busInterfaceListing(kItemInterface)},
          {kMenuInterfaceName, busInterfaceListing(kMenuInterface)}};
}

const char* statusNotifierIntrospection() { return kIntrospection; }

}  // namespace plugscope
