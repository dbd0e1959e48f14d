// The panel's part in bench/soak: the StatusNotifierWatcher that
// plugscope-desktop's entry registers with, a panel that reads the entry's
// title and menu again whenever the entry says they changed, and an eye on
// the window. Prints, as they happen, "registered SERVICE", "window shown"
// and "window hidden" (looked at every second); on SIGTERM or SIGINT,
// "panel reads: N, failed: M" and exits.
#include <X11/Xlib.h>
#include <glib-unix.h>

#include <cstdio>
#include <string>
#include <string_view>

#include "desktop/bus_test_support.h"

namespace plugscope {
namespace {

// Whether a top-level window titled `title` is on screen.
bool windowShown(Display* display, const char* title) {
  Window root = 0, parent = 0, *children = nullptr;
  unsigned count = 0;
  if (!XQueryTree(display, DefaultRootWindow(display), &root, &parent, &children, &count)) {
    return false;
  }
  bool shown = false;
  for (unsigned i = 0; i < count && !shown; ++i) {
    char* name = nullptr;
    if (XFetchName(display, children[i], &name) && name) {
      XWindowAttributes attributes{};
      shown = std::string_view(name) == title && XGetWindowAttributes(display, children[i], &attributes) &&
              attributes.map_state == IsViewable;
      XFree(name);
    }
  }
  if (children) XFree(children);
  return shown;
}

struct Panel {
  test::Connection client;
  std::string item;
  long reads = 0;
  long failed = 0;

  void replied(GObject* source, GAsyncResult* result) {
    GError* error = nullptr;
    if (GVariant* reply = g_dbus_connection_call_finish(G_DBUS_CONNECTION(source), result, &error)) {
      g_variant_unref(reply);
      ++reads;
    } else {
      g_error_free(error);
      ++failed;
    }
  }
  void call(const char* path, const char* interface, const char* method, GVariant* parameters) {
    g_dbus_connection_call(
        client.bus, item.c_str(), path, interface, method, parameters, nullptr,
        G_DBUS_CALL_FLAGS_NONE, 5000, nullptr,
        [](GObject* source, GAsyncResult* result, gpointer self) {
          static_cast<Panel*>(self)->replied(source, result);
        },
        this);
  }
  // What a panel reads when the entry changed: its properties, or its menu.
  void read(std::string_view signal) {
    if (signal == "LayoutUpdated") {
      const char* none[] = {nullptr};
      call(kPanelMenuPath, "com.canonical.dbusmenu", "GetLayout", g_variant_new("(ii^as)", 0, -1, none));
    } else {
      call(kStatusNotifierItemPath, "org.freedesktop.DBus.Properties", "GetAll",
           g_variant_new("(s)", "org.kde.StatusNotifierItem"));
    }
  }
  void follow(const std::string& service) {
    item = service;
    g_dbus_connection_signal_subscribe(
        client.bus, item.c_str(), nullptr, nullptr, nullptr, nullptr, G_DBUS_SIGNAL_FLAGS_NONE,
        [](GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar* signal,
           GVariant*, gpointer self) { static_cast<Panel*>(self)->read(signal); },
        this, nullptr);
    read("NewTitle");
    read("LayoutUpdated");
  }
};

}  // namespace
}  // namespace plugscope

int main() {
  using namespace plugscope;
  std::setvbuf(stdout, nullptr, _IOLBF, 0);
  Display* display = XOpenDisplay(nullptr);
  if (!display) {
    std::fprintf(stderr, "soak_panel: no display\n");
    return 2;
  }
  test::TestWatcher watcher;
  Panel panel;
  GMainLoop* loop = g_main_loop_new(nullptr, FALSE);
  for (int signal : {SIGTERM, SIGINT}) {
    g_unix_signal_add(signal, [](gpointer loop) -> gboolean {
      g_main_loop_quit(static_cast<GMainLoop*>(loop));
      return G_SOURCE_REMOVE;
    }, loop);
  }
  struct Watching {
    test::TestWatcher& watcher;
    Panel& panel;
    Display* display;
    std::size_t seen = 0;
    bool shown = false;
  } watching{watcher, panel, display};
  g_timeout_add_seconds(1, [](gpointer data) -> gboolean {
    auto& w = *static_cast<Watching*>(data);
    for (; w.seen < w.watcher.registered.size(); ++w.seen) {
      std::printf("registered %s\n", w.watcher.registered[w.seen].c_str());
      w.panel.follow(w.watcher.registered[w.seen]);
    }
    if (windowShown(w.display, "Plugscope") != w.shown) {
      w.shown = !w.shown;
      std::printf("window %s\n", w.shown ? "shown" : "hidden");
    }
    return G_SOURCE_CONTINUE;
  }, &watching);
  g_main_loop_run(loop);
  std::printf("panel reads: %ld, failed: %ld\n", panel.reads, panel.failed);
  g_main_loop_unref(loop);
  XCloseDisplay(display);
  return 0;
}
