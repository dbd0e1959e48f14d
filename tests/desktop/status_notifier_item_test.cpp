#include "desktop/status_notifier_item.h"

#include <gio/gio.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "bus_test_support.h"
#include "desktop/bus_interface.h"
#include "shared/snapshot_json.h"
#include "test_support.h"
#include "widget/cable_texts.h"

namespace plugscope {
namespace {

using test::Connection;
using test::spinUntil;
using test::TestWatcher;
using test::Variant;

Snapshot dockLaptop() {
  return decodeSnapshotOrNone(test::readFixture("laptop-dock-display-charger.expected.json"))
      .value_or(Snapshot{});
}

class StatusNotifierItemTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(client.bus, nullptr) << "no session bus";
    // The process's session bus connection, which the item shares; held,
    // so that it stays the same one.
    shared = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, nullptr);
    ASSERT_NE(shared, nullptr);
    itemName = g_dbus_connection_get_unique_name(shared);
  }
  void TearDown() override {
    item.reset();
    if (shared) g_object_unref(shared);
  }

  void makeItem(const Snapshot& snapshot) {
    PanelCallbacks callbacks;
    callbacks.activate = [this] { clicks.push_back("activate"); };
    callbacks.showWidget = [this] { clicks.push_back("show"); };
    callbacks.setNotifyOnPlug = [this](bool on) {
      clicks.push_back(on ? "notify on" : "notify off");
    };
    callbacks.setStartAtLogin = [this](bool on) {
      clicks.push_back(on ? "login on" : "login off");
    };
    callbacks.quit = [this] { clicks.push_back("quit"); };
    item = std::make_unique<StatusNotifierItem>(panelState(snapshot, {}, english, texts),
                                                callbacks);
    // Exported once its Id can be read.
    ASSERT_TRUE(spinUntil([&] {
      return client.property(itemName, kStatusNotifierItemPath, "org.kde.StatusNotifierItem",
                             "Id") != nullptr;
    }));
  }

  std::pair<std::uint32_t, std::vector<std::string>> layout(
      std::map<std::string, int>* ids = nullptr) {
    return test::menuLayout(client, itemName, ids);
  }

  Connection client;
  GDBusConnection* shared = nullptr;
  std::string itemName;
  UntranslatedStrings english;
  CableTexts texts{english};
  std::vector<std::string> clicks;
  std::unique_ptr<StatusNotifierItem> item;
};

TEST_F(StatusNotifierItemTest, RegistersWithEveryWatcherThatAppears) {
  makeItem(dockLaptop());
  {
    TestWatcher first;
    EXPECT_TRUE(spinUntil([&] { return first.registered.size() == 1; }));
    EXPECT_EQ(first.registered, std::vector<std::string>{itemName});
  }
  // A watcher that starts later (the panel restarted) learns of the item too.
  TestWatcher second;
  EXPECT_TRUE(spinUntil([&] { return second.registered.size() == 1; }));
  EXPECT_EQ(second.registered, std::vector<std::string>{itemName});
}

TEST_F(StatusNotifierItemTest, PropertiesDescribeAnActiveItemWithAMenu) {
  makeItem(dockLaptop());
  Variant all = client.call(itemName, kStatusNotifierItemPath, "org.freedesktop.DBus.Properties",
                            "GetAll", g_variant_new("(s)", "org.kde.StatusNotifierItem"));
  ASSERT_TRUE(all);
  Variant properties(g_variant_get_child_value(all.get(), 0));
  const auto text = [&](const char* name) {
    const char* value = nullptr;
    return g_variant_lookup(properties.get(), name, "&s", &value) ? std::string(value) : "?";
  };
  const std::string summary = "4 ports in use \u00b7 96 W";
  EXPECT_EQ(text("Category"), "ApplicationStatus");
  EXPECT_EQ(text("Id"), "io.plugscope.Plugscope");
  EXPECT_EQ(text("Status"), "Active");
  EXPECT_EQ(text("IconName"), "io.plugscope.Plugscope");
  EXPECT_EQ(text("Title"), summary);
  EXPECT_EQ(text("XAyatanaLabel"), summary);
  EXPECT_EQ(text("XAyatanaLabelGuide"), summary);
  gboolean isMenu = TRUE;
  EXPECT_TRUE(g_variant_lookup(properties.get(), "ItemIsMenu", "b", &isMenu));
  EXPECT_FALSE(isMenu);
  const char* menu = nullptr;
  EXPECT_TRUE(g_variant_lookup(properties.get(), "Menu", "&o", &menu));
  EXPECT_STREQ(menu, "/MenuBar");
  const char* tipIcon = nullptr;
  const char* tipTitle = nullptr;
  const char* tipText = nullptr;
  EXPECT_TRUE(g_variant_lookup(properties.get(), "ToolTip", "(&sa(iiay)&s&s)", &tipIcon, nullptr,
                               &tipTitle, &tipText));
  EXPECT_STREQ(tipTitle, "Plugscope");
  EXPECT_EQ(tipText, summary);

  // Pixmaps: every size, A R G B bytes; the top edge is the badge's blue.
  Variant pixmaps(
      g_variant_lookup_value(properties.get(), "IconPixmap", G_VARIANT_TYPE("a(iiay)")));
  ASSERT_TRUE(pixmaps);
  std::vector<int> sizes;
  for (gsize i = 0; i < g_variant_n_children(pixmaps.get()); ++i) {
    gint32 width = 0;
    gint32 height = 0;
    GVariant* bytes = nullptr;
    g_variant_get_child(pixmaps.get(), i, "(ii@ay)", &width, &height, &bytes);
    gsize length = 0;
    const auto* argb = static_cast<const guint8*>(g_variant_get_fixed_array(bytes, &length, 1));
    sizes.push_back(width);
    EXPECT_EQ(height, width);
    ASSERT_EQ(length, static_cast<gsize>(width) * height * 4);
    const gsize topMiddle = (static_cast<gsize>(width) + width / 2) * 4;
    EXPECT_EQ(std::vector<int>(argb + topMiddle, argb + topMiddle + 4),
              (std::vector<int>{0xff, 0x2b, 0x6d, 0xe0}))
        << width;
    g_variant_unref(bytes);
  }
  EXPECT_EQ(sizes, (std::vector<int>{16, 22, 24, 32, 48}));

  Variant version = client.property(itemName, kPanelMenuPath, "com.canonical.dbusmenu", "Version");
  ASSERT_TRUE(version);
  EXPECT_EQ(g_variant_get_uint32(version.get()), 3u);
}

TEST_F(StatusNotifierItemTest, MenuHasOneLinePerPortAndClicksReachTheApplication) {
  makeItem(dockLaptop());
  std::map<std::string, int> ids;
  EXPECT_EQ(layout(&ids).second, (std::vector<std::string>{
                                     "USB-C 1 \u2014 Connected (disabled)",
                                     "USB-C 2 \u2014 iPhone (disabled)",
                                     "USB-C 3 \u2014 Harbor TB4 Dock (disabled)",
                                     "USB-C 4 \u2014 Connected (disabled)",
                                     "--",
                                     "Show widget",
                                     "[ ] Notify when something is plugged in",
                                     "[ ] Start at login",
                                     "Quit",
                                 }));
  const auto click = [&](const std::string& label) {
    client.call(itemName, kPanelMenuPath, "com.canonical.dbusmenu", "Event",
                g_variant_new("(isvu)", ids.at(label), "clicked", g_variant_new_int32(0), 0u));
  };
  click("Show widget");
  click("USB-C 3 \u2014 Harbor TB4 Dock (disabled)");
  click("[ ] Notify when something is plugged in");
  click("[ ] Start at login");
  click("Quit");
  client.call(itemName, kStatusNotifierItemPath, "org.kde.StatusNotifierItem", "Activate",
              g_variant_new("(ii)", 10, 10));
  client.call(itemName, kStatusNotifierItemPath, "org.kde.StatusNotifierItem", "SecondaryActivate",
              g_variant_new("(ii)", 10, 10));
  EXPECT_EQ(clicks,
            (std::vector<std::string>{"show", "notify on", "login on", "quit", "activate"}));

  std::string error;
  const char* allProperties[] = {nullptr};
  EXPECT_FALSE(client.call(itemName, kPanelMenuPath, "com.canonical.dbusmenu", "GetLayout",
                           g_variant_new("(ii^as)", 999, -1, allProperties), &error));
  EXPECT_FALSE(error.empty());
}

// What a panel may ask of the menu about each kind of item: the reply in
// a few words, or "error".
TEST_F(StatusNotifierItemTest, EveryMenuMethodAnswersForEachKindOfItem) {
  makeItem(dockLaptop());
  std::map<std::string, int> ids;
  layout(&ids);
  const int root = 0;
  const int command = ids.at("Show widget");
  const int portLine = ids.at("USB-C 1 \u2014 Connected (disabled)");
  const int unknown = 999;

  const auto idList = [](GVariant* array) {
    std::string list;
    for (gsize i = 0; i < g_variant_n_children(array); ++i) {
      gint32 id = 0;
      g_variant_get_child(array, i, "i", &id);
      list += (list.empty() ? "" : " ") + std::to_string(id);
    }
    return "[" + list + "]";
  };
  const auto ask = [&](std::string_view method, int id) -> std::string {
    const char* noNames[] = {nullptr};
    const gint32 one[] = {id};
    const auto ints = [&] {
      return g_variant_new_fixed_array(G_VARIANT_TYPE_INT32, one, 1, sizeof(gint32));
    };
    GVariant* parameters = nullptr;
    if (method == "GetLayout") parameters = g_variant_new("(ii^as)", id, -1, noNames);
    if (method == "GetGroupProperties") parameters = g_variant_new("(@ai^as)", ints(), noNames);
    if (method == "GetProperty") parameters = g_variant_new("(is)", id, "label");
    if (method == "Event" || method == "EventGroup") {
      // Hovering asks nothing of the application, whatever the item.
      GVariant* event =
          g_variant_new("(isvu)", id, "hovered", g_variant_new_int32(0), static_cast<guint32>(0));
      parameters = method == "Event" ? event : g_variant_new("(@a(isvu))",
                                                             g_variant_new_array(nullptr, &event, 1));
    }
    if (method == "AboutToShow") parameters = g_variant_new("(i)", id);
    if (method == "AboutToShowGroup") parameters = g_variant_new("(@ai)", ints());
    const std::string name(method);
    Variant reply = client.call(itemName, kPanelMenuPath, "com.canonical.dbusmenu", name.c_str(),
                                parameters);
    if (!reply) return "error";
    if (method == "GetLayout") {
      gint32 shown = -1;
      g_variant_get(reply.get(), "(u(i@a{sv}@av))", nullptr, &shown, nullptr, nullptr);
      return "item " + std::to_string(shown);
    }
    if (method == "GetGroupProperties") {
      Variant items(g_variant_get_child_value(reply.get(), 0));
      std::string list;
      for (gsize i = 0; i < g_variant_n_children(items.get()); ++i) {
        gint32 each = 0;
        g_variant_get_child(items.get(), i, "(i@a{sv})", &each, nullptr);
        list += (list.empty() ? "" : " ") + std::to_string(each);
      }
      return "items [" + list + "]";
    }
    if (method == "GetProperty") {
      GVariant* value = nullptr;
      g_variant_get(reply.get(), "(v)", &value);
      std::string text = g_variant_is_of_type(value, G_VARIANT_TYPE_STRING)
                             ? g_variant_get_string(value, nullptr)
                             : "?";
      g_variant_unref(value);
      return "label " + text;
    }
    if (method == "EventGroup") {
      Variant errors(g_variant_get_child_value(reply.get(), 0));
      return "unknown " + idList(errors.get());
    }
    if (method == "AboutToShow") {
      gboolean update = TRUE;
      g_variant_get(reply.get(), "(b)", &update);
      return update ? "update" : "no update";
    }
    if (method == "AboutToShowGroup") {
      Variant updates(g_variant_get_child_value(reply.get(), 0));
      Variant errors(g_variant_get_child_value(reply.get(), 1));
      return "updates " + idList(updates.get()) + " unknown " + idList(errors.get());
    }
    return "ok";
  };

  struct Row {
    const char* method;
    std::string root, command, portLine, unknown;
  };
  const std::string showWidget = "label Show widget";
  const Row rows[] = {
      {"GetLayout", "item 0", "item 1", "item 100", "error"},
      {"GetGroupProperties", "items [0]", "items [1]", "items [100]", "items []"},
      {"GetProperty", "error", showWidget, "label USB-C 1 \u2014 Connected", "error"},
      {"Event", "ok", "ok", "ok", "ok"},
      {"EventGroup", "unknown []", "unknown []", "unknown []", "unknown [999]"},
      {"AboutToShow", "no update", "no update", "no update", "no update"},
      {"AboutToShowGroup", "updates [] unknown []", "updates [] unknown []",
       "updates [] unknown []", "updates [] unknown [999]"},
  };
  ASSERT_EQ(command, 1);
  ASSERT_EQ(portLine, 100);
  for (const Row& row : rows) {
    EXPECT_EQ(ask(row.method, root), row.root) << row.method << " on the root";
    EXPECT_EQ(ask(row.method, command), row.command) << row.method << " on a command";
    EXPECT_EQ(ask(row.method, portLine), row.portLine) << row.method << " on a port line";
    EXPECT_EQ(ask(row.method, unknown), row.unknown) << row.method << " on an unknown id";
  }
  EXPECT_EQ(clicks, std::vector<std::string>{}) << "hovering clicked something";
}

TEST_F(StatusNotifierItemTest, ChangesAreSignalledOnlyWhenSomethingChanged) {
  makeItem(Snapshot{});
  std::vector<std::string> signals;
  const guint subscription = g_dbus_connection_signal_subscribe(
      client.bus, itemName.c_str(), nullptr, nullptr, nullptr, nullptr, G_DBUS_SIGNAL_FLAGS_NONE,
      [](GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar* name,
         GVariant* parameters, gpointer data) {
        std::string seen = name;
        if (seen == "XAyatanaNewLabel") {
          const char* label = nullptr;
          g_variant_get(parameters, "(&s&s)", &label, nullptr);
          seen += std::string(" ") + label;
        }
        static_cast<std::vector<std::string>*>(data)->push_back(seen);
      },
      &signals, nullptr);
  const auto [before, emptyMenu] = layout();
  EXPECT_EQ(emptyMenu.size(), 4u);

  item->update(panelState(dockLaptop(), {}, english, texts));
  EXPECT_TRUE(spinUntil([&] { return signals.size() >= 4; }));
  EXPECT_EQ(signals, (std::vector<std::string>{"NewTitle", "NewToolTip",
                                               "XAyatanaNewLabel 4 ports in use \u00b7 96 W",
                                               "LayoutUpdated"}));
  const auto [after, menu] = layout();
  EXPECT_EQ(after, before + 1);
  EXPECT_EQ(menu.size(), 9u);
  Variant title =
      client.property(itemName, kStatusNotifierItemPath, "org.kde.StatusNotifierItem", "Title");
  ASSERT_TRUE(title);
  EXPECT_STREQ(g_variant_get_string(title.get(), nullptr), "4 ports in use \u00b7 96 W");

  // The same state again: nothing to say. A toggle alone: only the menu.
  signals.clear();
  item->update(panelState(dockLaptop(), {}, english, texts));
  item->update(panelState(dockLaptop(), PanelToggles{false, true}, english, texts));
  layout();  // a round trip, after which any signal would have arrived
  EXPECT_EQ(signals, std::vector<std::string>{"LayoutUpdated"});
  g_dbus_connection_signal_unsubscribe(client.bus, subscription);
}

// Each exported interface's dispatch table lists exactly the members of its
// introspection XML, which is what GIO checks incoming calls against: a
// method only in the XML would answer "unknown method", one only in the
// table could never be called, and a signature that differs would turn
// every call into an error.
TEST(StatusNotifierTables, EachTableListsExactlyTheMembersOfItsIntrospection) {
  g_autoptr(GDBusNodeInfo) node =
      g_dbus_node_info_new_for_xml(statusNotifierIntrospection(), nullptr);
  ASSERT_NE(node, nullptr);
  std::vector<std::string> published;
  for (GDBusInterfaceInfo** info = node->interfaces; *info; ++info) {
    published.emplace_back((*info)->name);
  }
  std::vector<std::string> tabled;
  for (const BusInterfaceListing& table : statusNotifierInterfaces()) {
    tabled.push_back(table.name);
    const GDBusInterfaceInfo* info =
        g_dbus_node_info_lookup_interface(node, table.name.c_str());
    ASSERT_NE(info, nullptr) << table.name;
    std::vector<std::string> fromXml = busInterfaceListing(*info);
    std::vector<std::string> fromTable = table.members;
    std::ranges::sort(fromXml);
    std::ranges::sort(fromTable);
    EXPECT_EQ(fromTable, fromXml) << table.name;
  }
  EXPECT_EQ(tabled, published);
}

// VmRSS of this process in KiB; 0 when unknown.
long residentKiB() {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);) {
    if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6));
  }
  return 0;
}

// Any process on the session bus may call the item's methods. Whatever it
// sends (wrong argument types, ids we never gave, absurd depths, ten
// thousand ids or events in one call, events nobody defined), the item
// answers every call, with a D-Bus error where the call cannot be
// answered, clicks nothing, and keeps its memory: a second volley of ten
// thousand calls leaves the process's resident size where the first left
// it (the sanitized build checks for leaks with LeakSanitizer instead).
TEST_F(StatusNotifierItemTest, HostileCallersGetAnswersAndChangeNothing) {
  makeItem(dockLaptop());
  std::map<std::string, int> ids;
  layout(&ids);
  const int showWidget = ids.at("Show widget");
  const int quit = ids.at("Quit");
  const int portLine = ids.at("USB-C 1 \u2014 Connected (disabled)");

  std::vector<gint32> tenThousandIds(10000);
  for (std::size_t i = 0; i < tenThousandIds.size(); ++i) {
    tenThousandIds[i] = static_cast<gint32>(i) - 5000;  // negatives, the root, every item
  }
  const std::vector<gint32> oneIdTenThousandTimes(10000, quit);
  const auto intArray = [](const std::vector<gint32>& values) {
    return g_variant_new_fixed_array(G_VARIANT_TYPE_INT32, values.data(), values.size(),
                                     sizeof(gint32));
  };
  // `count` events called `name`, on ids from `firstId` on, `step` apart.
  const auto events = [](std::size_t count, gint32 firstId, gint32 step, const char* name) {
    GVariantBuilder builder;
    g_variant_builder_init(&builder, G_VARIANT_TYPE("a(isvu)"));
    for (std::size_t i = 0; i < count; ++i) {
      g_variant_builder_add(&builder, "(isvu)", firstId + step * static_cast<gint32>(i), name,
                            g_variant_new_int32(0), 0u);
    }
    return g_variant_new("(@a(isvu))", g_variant_builder_end(&builder));
  };
  const char* noNames[] = {nullptr};
  const char* tenNames[] = {"label", "label", "type", "enabled", "no-such-property",
                            "",      "x",     "y",    "z",       "toggle-state", nullptr};

  constexpr const char* kMenu = "com.canonical.dbusmenu";
  constexpr const char* kItem = "org.kde.StatusNotifierItem";
  constexpr const char* kProperties = "org.freedesktop.DBus.Properties";
  struct Row {
    std::string name;
    const char* path;
    const char* interface;
    const char* method;
    test::Variant parameters;  // sent again in each volley
    bool error;
    // What the reply must hold, when it is no error; empty: anything.
    std::function<std::string(GVariant*)> says = {};
    std::string expected = {};
    // Carries 10,000 ids or events: sent once a hundred calls in a volley.
    bool heavy = false;
  };
  const auto children = [](GVariant* reply) {
    test::Variant root(g_variant_get_child_value(reply, 1));
    test::Variant items(g_variant_get_child_value(root.get(), 2));
    return std::to_string(g_variant_n_children(items.get())) + " children";
  };
  const auto itemCount = [](GVariant* reply) {
    test::Variant items(g_variant_get_child_value(reply, 0));
    return std::to_string(g_variant_n_children(items.get())) + " items";
  };
  const auto unknownCount = [](GVariant* reply) {
    test::Variant unknown(g_variant_get_child_value(reply, g_variant_n_children(reply) - 1));
    return std::to_string(g_variant_n_children(unknown.get())) + " unknown";
  };
  const auto sunk = [](GVariant* value) { return test::Variant(g_variant_ref_sink(value)); };

  std::vector<Row> rows;
  rows.push_back({"GetLayout of everything, depth INT_MAX", kPanelMenuPath, kMenu, "GetLayout",
                  sunk(g_variant_new("(ii^as)", 0, INT_MAX, noNames)), false, children,
                  "9 children"});
  rows.push_back({"GetLayout, depth -1 (unlimited)", kPanelMenuPath, kMenu, "GetLayout",
                  sunk(g_variant_new("(ii^as)", 0, -1, noNames)), false, children, "9 children"});
  rows.push_back({"GetLayout, depth INT_MIN (unlimited)", kPanelMenuPath, kMenu, "GetLayout",
                  sunk(g_variant_new("(ii^as)", 0, INT_MIN, noNames)), false, children,
                  "9 children"});
  rows.push_back({"GetLayout, depth 0", kPanelMenuPath, kMenu, "GetLayout",
                  sunk(g_variant_new("(ii^as)", 0, 0, tenNames)), false, children, "0 children"});
  rows.push_back({"GetLayout of a port line, depth INT_MAX", kPanelMenuPath, kMenu, "GetLayout",
                  sunk(g_variant_new("(ii^as)", portLine, INT_MAX, noNames)), false, children,
                  "0 children"});
  rows.push_back({"GetLayout of an unknown id", kPanelMenuPath, kMenu, "GetLayout",
                  sunk(g_variant_new("(ii^as)", INT_MIN, -1, noNames)), true});
  rows.push_back({"GetGroupProperties of 10,000 ids", kPanelMenuPath, kMenu,
                  "GetGroupProperties", sunk(g_variant_new("(@ai^as)", intArray(tenThousandIds),
                                                           tenNames)),
                  false, itemCount, "10 items"});
  rows.push_back({"GetGroupProperties of one id 10,000 times", kPanelMenuPath, kMenu,
                  "GetGroupProperties",
                  sunk(g_variant_new("(@ai^as)", intArray(oneIdTenThousandTimes), noNames)),
                  false, itemCount, "1 items"});
  rows.push_back({"GetProperty of an unknown id", kPanelMenuPath, kMenu, "GetProperty",
                  sunk(g_variant_new("(is)", -7, "label")), true});
  rows.push_back({"GetProperty of an unknown name", kPanelMenuPath, kMenu, "GetProperty",
                  sunk(g_variant_new("(is)", showWidget, "no-such-property")), true});
  rows.push_back({"Event of an unknown name on Quit", kPanelMenuPath, kMenu, "Event",
                  sunk(g_variant_new("(isvu)", quit, "exploded", g_variant_new_int32(1), 0u)),
                  false});
  rows.push_back({"Event clicked on an unknown id", kPanelMenuPath, kMenu, "Event",
                  sunk(g_variant_new("(isvu)", 424242, "clicked", g_variant_new_int32(1), 0u)),
                  false});
  rows.push_back({"EventGroup of 10,000 clicks on unknown ids", kPanelMenuPath, kMenu,
                  "EventGroup", sunk(events(10000, 1000, 1, "clicked")), false, unknownCount,
                  "10000 unknown"});
  rows.push_back({"EventGroup of 10,000 unknown events on Quit", kPanelMenuPath, kMenu,
                  "EventGroup", sunk(events(10000, quit, 0, "")), false, unknownCount,
                  "0 unknown"});
  rows.push_back({"AboutToShowGroup of 10,000 ids", kPanelMenuPath, kMenu, "AboutToShowGroup",
                  sunk(g_variant_new("(@ai)", intArray(tenThousandIds))), false, unknownCount,
                  "9990 unknown"});
  rows.push_back({"AboutToShow of an unknown id", kPanelMenuPath, kMenu, "AboutToShow",
                  sunk(g_variant_new("(i)", INT_MAX)), false});
  rows.push_back({"ContextMenu far off screen", kStatusNotifierItemPath, kItem, "ContextMenu",
                  sunk(g_variant_new("(ii)", INT_MIN, INT_MAX)), false});
  rows.push_back({"SecondaryActivate", kStatusNotifierItemPath, kItem, "SecondaryActivate",
                  sunk(g_variant_new("(ii)", -1, -1)), false});
  rows.push_back({"Scroll an unknown way", kStatusNotifierItemPath, kItem, "Scroll",
                  sunk(g_variant_new("(is)", INT_MAX, "sideways")), false});
  rows.push_back({"a method the menu does not have", kPanelMenuPath, kMenu, "Explode",
                  sunk(g_variant_new("()")), true});
  rows.push_back({"the item's method on the menu's path", kPanelMenuPath, kItem, "Activate",
                  sunk(g_variant_new("(ii)", 0, 0)), true});
  rows.push_back({"Set of a read-only property", kStatusNotifierItemPath, kProperties, "Set",
                  sunk(g_variant_new("(ssv)", kItem, "Title", g_variant_new_string("pwned"))),
                  true});
  rows.push_back({"Get of an unknown property", kStatusNotifierItemPath, kProperties, "Get",
                  sunk(g_variant_new("(ss)", kItem, "Password")), true});
  rows.push_back({"GetAll of an unknown interface", kStatusNotifierItemPath, kProperties,
                  "GetAll", sunk(g_variant_new("(s)", "org.example.Nothing")), true});
  // Every method of both interfaces with arguments of the wrong types, and
  // every property read (answered, of its declared type) and written (refused).
  g_autoptr(GDBusNodeInfo) node =
      g_dbus_node_info_new_for_xml(statusNotifierIntrospection(), nullptr);
  ASSERT_NE(node, nullptr);
  for (GDBusInterfaceInfo** info = node->interfaces; *info; ++info) {
    const char* interface = (*info)->name;
    const char* path = std::string_view(interface) == kItem ? kStatusNotifierItemPath
                                                            : kPanelMenuPath;
    for (GDBusMethodInfo** method = (*info)->methods; *method; ++method) {
      rows.push_back({std::string((*method)->name) + " with wrong argument types", path,
                      interface, (*method)->name,
                      sunk(g_variant_new("(sdx)", "what", 1.5, G_GINT64_CONSTANT(-1))), true});
    }
    for (GDBusPropertyInfo** property = (*info)->properties; *property; ++property) {
      const std::string type = (*property)->signature;
      rows.push_back({std::string("Get ") + (*property)->name, path, kProperties, "Get",
                      sunk(g_variant_new("(ss)", interface, (*property)->name)), false,
                      [](GVariant* reply) {
                        test::Variant value(g_variant_get_child_value(reply, 0));
                        test::Variant inner(g_variant_get_variant(value.get()));
                        return std::string(g_variant_get_type_string(inner.get()));
                      },
                      type});
      rows.push_back({std::string("Set ") + (*property)->name + " to a string", path,
                      kProperties, "Set",
                      sunk(g_variant_new("(ssv)", interface, (*property)->name,
                                         g_variant_new_string("x"))),
                      true});
    }
  }

  for (Row& row : rows) row.heavy = row.name.find("10,000") != std::string::npos;

  // One pass that checks each reply, then volleys of 10,000 calls in a row
  // (64 under way at once) that count the replies that differ.
  struct Outcome {
    bool error = false;
    std::string says;
    bool done = false;
  };
  std::size_t underWay = 0;
  const auto send = [&](const Row& row, Outcome* outcome) {
    struct Pending {
      const Row* row;
      Outcome* outcome;
      std::size_t* underWay;
    };
    ++underWay;
    g_dbus_connection_call(
        client.bus, itemName.c_str(), row.path, row.interface, row.method, row.parameters.get(),
        nullptr, G_DBUS_CALL_FLAGS_NONE, 30000, nullptr,
        [](GObject* source, GAsyncResult* result, gpointer data) {
          std::unique_ptr<Pending> pending(static_cast<Pending*>(data));
          g_autoptr(GError) error = nullptr;
          test::Variant reply(
              g_dbus_connection_call_finish(G_DBUS_CONNECTION(source), result, &error));
          --*pending->underWay;
          Outcome& outcome = *pending->outcome;
          outcome.done = true;
          outcome.error = !reply;
          if (reply && pending->row->says) outcome.says = pending->row->says(reply.get());
        },
        new Pending{&row, outcome, &underWay});
  };
  const auto matches = [](const Row& row, const Outcome& outcome) {
    return outcome.done && outcome.error == row.error &&
           (row.error || !row.says || outcome.says == row.expected);
  };

  std::vector<Outcome> first(rows.size());
  for (std::size_t i = 0; i < rows.size(); ++i) send(rows[i], &first[i]);
  ASSERT_TRUE(spinUntil([&] { return underWay == 0; }, 60));
  for (std::size_t i = 0; i < rows.size(); ++i) {
    EXPECT_TRUE(matches(rows[i], first[i]))
        << rows[i].name << ": " << (first[i].error ? "error" : "answered") << " " << first[i].says;
  }

  const auto volley = [&] {
    constexpr std::size_t kCalls = 10000;
    constexpr std::size_t kAtOnce = 64;
    std::vector<Outcome> outcomes(kCalls);
    std::vector<const Row*> sent(kCalls);
    std::size_t nextLight = 0;
    std::size_t nextHeavy = 0;
    for (std::size_t i = 0; i < kCalls; ++i) {
      // The next row of its kind, skipping the other kind.
      const bool heavy = i % 100 == 99;
      std::size_t& next = heavy ? nextHeavy : nextLight;
      while (rows[next % rows.size()].heavy != heavy) ++next;
      sent[i] = &rows[next++ % rows.size()];
      if (underWay >= kAtOnce) spinUntil([&] { return underWay < kAtOnce; }, 60);
      send(*sent[i], &outcomes[i]);
    }
    spinUntil([&] { return underWay == 0; }, 60);
    std::size_t wrong = 0;
    for (std::size_t i = 0; i < kCalls; ++i) {
      if (!matches(*sent[i], outcomes[i])) ++wrong;
    }
    return wrong;
  };
  EXPECT_EQ(volley(), 0u);
  const long before = residentKiB();
  EXPECT_EQ(volley(), 0u);
  const long after = residentKiB();
#if defined(__SANITIZE_ADDRESS__)
  // The sanitizer's own bookkeeping grows; LeakSanitizer checks at exit.
  static_cast<void>(before);
  static_cast<void>(after);
#else
  EXPECT_LE(after, before + 2 * 1024) << "resident KiB before " << before << ", after " << after;
#endif

  EXPECT_EQ(clicks, std::vector<std::string>{}) << "a hostile call clicked something";
  // Still the same item, answering as before.
  EXPECT_EQ(layout().second.size(), 9u);
}

TEST(StatusNotifierItemWithoutBus, KeepsQuietAndCanBeDestroyedAtOnce) {
  const UntranslatedStrings english;
  const CableTexts texts(english);
  {
    StatusNotifierItem item(panelState(Snapshot{}, {}, english, texts), {},
                            std::string("unix:path=/nonexistent/plugscope-bus"));
    spinUntil([] { return false; }, 0.2);
    item.update(panelState(dockLaptop(), {}, english, texts));
  }
  // Destroyed while still connecting: the late answer must not reach it.
  auto item = std::make_unique<StatusNotifierItem>(panelState(Snapshot{}, {}, english, texts),
                                                   PanelCallbacks{});
  item.reset();
  spinUntil([] { return false; }, 0.2);
}

}  // namespace
}  // namespace plugscope
