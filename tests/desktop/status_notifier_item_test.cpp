#include "desktop/status_notifier_item.h"

#include <gio/gio.h>
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "bus_test_support.h"
#include "shared/snapshot_json.h"
#include "test_support.h"

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
    item = std::make_unique<StatusNotifierItem>(panelState(snapshot, {}, english), callbacks);
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
  UntranslatedPluralStrings english;
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

  item->update(panelState(dockLaptop(), {}, english));
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
  item->update(panelState(dockLaptop(), {}, english));
  item->update(panelState(dockLaptop(), PanelToggles{false, true}, english));
  layout();  // a round trip, after which any signal would have arrived
  EXPECT_EQ(signals, std::vector<std::string>{"LayoutUpdated"});
  g_dbus_connection_signal_unsubscribe(client.bus, subscription);
}

TEST(StatusNotifierItemWithoutBus, KeepsQuietAndCanBeDestroyedAtOnce) {
  const UntranslatedPluralStrings english;
  {
    StatusNotifierItem item(panelState(Snapshot{}, {}, english), {},
                            std::string("unix:path=/nonexistent/plugscope-bus"));
    spinUntil([] { return false; }, 0.2);
    item.update(panelState(dockLaptop(), {}, english));
  }
  // Destroyed while still connecting: the late answer must not reach it.
  auto item =
      std::make_unique<StatusNotifierItem>(panelState(Snapshot{}, {}, english), PanelCallbacks{});
  item.reset();
  spinUntil([] { return false; }, 0.2);
}

}  // namespace
}  // namespace plugscope
