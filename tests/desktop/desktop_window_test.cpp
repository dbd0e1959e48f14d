// plugscope-desktop on a virtual display (ctest runs this binary through
// with-display): what its window shows against the PNG renderer, how fast
// it follows a publication, how it follows the desktop's light or dark
// preference from a settings portal on the private bus, its panel entry as
// a watcher and a panel on that bus see it, the notices a notification
// server there receives, the key file each choice leaves, and what closing
// the window does, asked as a window manager asks.
#include <cairo.h>
#include <gio/gio.h>
#include <gtest/gtest.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <initializer_list>
#include <map>
#include <mutex>
#include <optional>
#include <string_view>
#include <thread>

#include "bus_test_support.h"
#include "desktop/desktop_settings.h"
#include "desktop/window_content.h"
#include "host/png/pinned_fonts.h"
#include "platform/linux/loaded_extension.h"
#include "platform/linux/xdg_dirs.h"
#include "test_support.h"
#include "widget/cable_widget_view.h"
#include "shared/advice_json.h"
#include "shared/snapshot_json.h"

extern char** environ;

namespace plugscope {
namespace {

namespace fs = std::filesystem;
using SteadyClock = std::chrono::steady_clock;

const std::string kDesktop = test::builtProgram("bin/plugscope-desktop");
const std::string kHost = test::builtProgram("bin/plugscope-widget-host");

// Pixels as 0xAARRGGBB, premultiplied, row by row.
struct Picture {
  int width = 0;
  int height = 0;
  std::vector<std::uint32_t> pixels;
  std::uint32_t at(int x, int y) const { return pixels[static_cast<std::size_t>(y * width + x)]; }
};

Picture pictureOf(cairo_surface_t* surface) {
  Picture picture;
  if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) return picture;
  cairo_surface_flush(surface);
  picture.width = cairo_image_surface_get_width(surface);
  picture.height = cairo_image_surface_get_height(surface);
  const int stride = cairo_image_surface_get_stride(surface);
  const unsigned char* data = cairo_image_surface_get_data(surface);
  for (int y = 0; y < picture.height; ++y) {
    const auto* row = reinterpret_cast<const std::uint32_t*>(data + y * stride);
    picture.pixels.insert(picture.pixels.end(), row, row + picture.width);
  }
  return picture;
}

// A PNG file painted over an opaque colour; empty when it is no PNG.
Picture loadOver(const fs::path& path, const Colour& background) {
  cairo_surface_t* png = cairo_image_surface_create_from_png(path.c_str());
  Picture picture;
  if (cairo_surface_status(png) == CAIRO_STATUS_SUCCESS) {
    cairo_surface_t* canvas = cairo_image_surface_create(
        CAIRO_FORMAT_ARGB32, cairo_image_surface_get_width(png), cairo_image_surface_get_height(png));
    cairo_t* cairo = cairo_create(canvas);
    cairo_set_source_rgba(cairo, background.red, background.green, background.blue, 1);
    cairo_paint(cairo);
    cairo_set_source_surface(cairo, png, 0, 0);
    cairo_paint(cairo);
    cairo_destroy(cairo);
    picture = pictureOf(canvas);
    cairo_surface_destroy(canvas);
  }
  cairo_surface_destroy(png);
  return picture;
}

// Share of pixels whose colour differs by more than `tolerance` (of 255)
// in some channel; 1 when the sizes differ.
double shareOff(const Picture& a, const Picture& b, int tolerance) {
  if (a.width != b.width || a.height != b.height || a.pixels.empty()) return 1;
  std::size_t off = 0;
  for (std::size_t i = 0; i < a.pixels.size(); ++i) {
    for (int shift = 0; shift < 32; shift += 8) {
      const int x = static_cast<int>((a.pixels[i] >> shift) & 0xff);
      const int y = static_cast<int>((b.pixels[i] >> shift) & 0xff);
      if (std::abs(x - y) > tolerance) {
        ++off;
        break;
      }
    }
  }
  return static_cast<double>(off) / static_cast<double>(a.pixels.size());
}

bool isDarkBackground(const Picture& picture) {
  // The top left corner is outside the widget's rounded corner.
  return !picture.pixels.empty() && (picture.at(0, 0) & 0xff) < 0x80;
}

// A settings portal on the session bus that answers color-scheme with
// `scheme` and signals changes when told. Serves from a thread of its own.
class FakeSettingsPortal {
 public:
  explicit FakeSettingsPortal(std::uint32_t scheme) : scheme_(scheme) {
    thread_ = std::thread([this] { serve(); });
    std::unique_lock lock(mutex_);
    ready_.wait(lock, [this] { return state_ != State::starting; });
  }
  ~FakeSettingsPortal() {
    if (loop_) g_main_loop_quit(loop_);
    thread_.join();
  }
  bool owned() const { return state_ == State::owned; }

  void change(std::uint32_t scheme) {
    scheme_ = scheme;
    g_dbus_connection_emit_signal(
        bus_, nullptr, "/org/freedesktop/portal/desktop", "org.freedesktop.portal.Settings",
        "SettingChanged",
        g_variant_new("(ssv)", "org.freedesktop.appearance", "color-scheme",
                      g_variant_new_uint32(scheme)),
        nullptr);
    g_dbus_connection_flush_sync(bus_, nullptr, nullptr);
  }

 private:
  enum class State { starting, owned, failed };

  void serve() {
    GMainContext* context = g_main_context_new();
    g_main_context_push_thread_default(context);
    loop_ = g_main_loop_new(context, FALSE);
    bus_ = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, nullptr);
    static const char* kXml =
        "<node><interface name='org.freedesktop.portal.Settings'>"
        "<method name='Read'><arg type='s' direction='in'/><arg type='s' direction='in'/>"
        "<arg type='v' direction='out'/></method>"
        "<signal name='SettingChanged'><arg type='s'/><arg type='s'/><arg type='v'/></signal>"
        "</interface></node>";
    GDBusNodeInfo* info = g_dbus_node_info_new_for_xml(kXml, nullptr);
    static const GDBusInterfaceVTable vtable = {
        +[](GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar*,
            GVariant*, GDBusMethodInvocation* invocation, gpointer data) {
          // Portals before version 2 wrap the value twice; so do we.
          const auto scheme = static_cast<FakeSettingsPortal*>(data)->scheme_.load();
          g_dbus_method_invocation_return_value(
              invocation,
              g_variant_new("(v)", g_variant_new_variant(g_variant_new_uint32(scheme))));
        },
        nullptr, nullptr, {}};
    State state = State::failed;
    if (bus_ && info &&
        g_dbus_connection_register_object(bus_, "/org/freedesktop/portal/desktop",
                                          info->interfaces[0], &vtable, this, nullptr, nullptr)) {
      GVariant* reply = g_dbus_connection_call_sync(
          bus_, "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus",
          "RequestName", g_variant_new("(su)", "org.freedesktop.portal.Desktop", 4u),
          G_VARIANT_TYPE("(u)"), G_DBUS_CALL_FLAGS_NONE, -1, nullptr, nullptr);
      if (reply) {
        std::uint32_t result = 0;
        g_variant_get(reply, "(u)", &result);
        if (result == 1) state = State::owned;  // the primary owner
        g_variant_unref(reply);
      }
    }
    if (info) g_dbus_node_info_unref(info);
    {
      std::lock_guard lock(mutex_);
      state_ = state;
    }
    ready_.notify_all();
    if (state == State::owned) g_main_loop_run(loop_);
    g_main_loop_unref(loop_);
    if (bus_) g_object_unref(bus_);
    g_main_context_pop_thread_default(context);
    g_main_context_unref(context);
  }

  std::atomic<std::uint32_t> scheme_;
  std::thread thread_;
  std::mutex mutex_;
  std::condition_variable ready_;
  State state_ = State::starting;
  GMainLoop* loop_ = nullptr;
  GDBusConnection* bus_ = nullptr;
};

class DesktopWindowTest : public testing::Test {
 protected:
  void SetUp() override {
    root_ = test::freshDirectory("plugscope-desktop");
    ASSERT_FALSE(root_.empty());
    for (const char* d : {"home", "config/plugscope", "cache", "state"}) {
      fs::create_directories(root_ / d);
    }
    fs::create_directories(root_ / "data" / kAppGroupIdentifier);
    fs::create_directories(root_ / "run" / kAppGroupIdentifier);
    fs::permissions(root_ / "run", fs::perms::owner_all);
    publish("laptop-dock-display-charger.expected.json");
  }
  void TearDown() override {
    stop();
    fs::remove_all(root_);
  }

  // As the agent publishes: the snapshot replaced whole, then the reload stamp.
  void publish(const std::string& fixture) { publishText(test::readFixture(fixture)); }
  void publish(const Snapshot& snapshot) { publishText(encodeSnapshot(snapshot).value_or("")); }
  void publishText(const std::string& json) {
    const fs::path container = root_ / "data" / kAppGroupIdentifier;
    std::ofstream(container / ".snapshot.json.new") << json;
    fs::rename(container / ".snapshot.json.new", container / "snapshot.json");
    const fs::path reload = root_ / "run" / kAppGroupIdentifier;
    std::ofstream(reload / ".reload.new") << ++stamp_ << '\n';
    fs::rename(reload / ".reload.new", reload / "reload");
  }

  // As the agent saves the advice, before the snapshot it is about.
  void advise(const Advice& advice) {
    const fs::path container = root_ / "data" / kAppGroupIdentifier;
    std::ofstream(container / ".advice.json.new") << encodeAdvice(advice).value_or("");
    fs::rename(container / ".advice.json.new", container / "advice.json");
  }

  void chooseFamily(std::optional<WidgetFamily> family, bool notify = false) {
    std::ofstream(keyFile()) << formatDesktopSettings({family, notify});
  }
  fs::path keyFile() const { return root_ / "config/plugscope" / kDesktopSettingsFileName; }

  std::vector<std::string> environment() const {
    std::vector<std::string> env = {
        "HOME=" + (root_ / "home").string(),
        "XDG_CONFIG_HOME=" + (root_ / "config").string(),
        "XDG_DATA_HOME=" + (root_ / "data").string(),
        "XDG_CACHE_HOME=" + (root_ / "cache").string(),
        "XDG_STATE_HOME=" + (root_ / "state").string(),
        "XDG_RUNTIME_DIR=" + (root_ / "run").string(),
        "LC_ALL=C.UTF-8",
        "GSK_RENDERER=cairo",
        "GDK_BACKEND=x11",
        "GDK_DEBUG=gl-disable",
        "GTK_A11Y=none",
        "GSETTINGS_BACKEND=memory",
    };
    for (const char* name : {"DISPLAY", "XAUTHORITY", "DBUS_SESSION_BUS_ADDRESS", "PATH",
                             "GIO_MODULE_DIR", "ASAN_OPTIONS", "LSAN_OPTIONS", "UBSAN_OPTIONS"}) {
      if (const char* value = ::getenv(name)) env.push_back(std::string(name) + "=" + value);
    }
    return env;
  }

  // Runs the program in environment() less the variables named in `without`.
  void start(std::initializer_list<std::string_view> without = {}) {
    std::vector<std::string> args = {kDesktop, "--screenshot", screenshot().string()};
    std::vector<std::string> env = environment();
    std::erase_if(env, [&](const std::string& variable) {
      return std::ranges::any_of(without, [&](std::string_view name) {
        return variable.starts_with(std::string(name) + "=");
      });
    });
    std::vector<char*> argv, envp;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    for (auto& e : env) envp.push_back(e.data());
    envp.push_back(nullptr);
    ASSERT_EQ(::posix_spawn(&pid_, kDesktop.c_str(), nullptr, nullptr, argv.data(), envp.data()),
              0);
  }

  void stop() {
    if (pid_ <= 0) return;
    ::kill(pid_, SIGTERM);
    int status = 0;
    ::waitpid(pid_, &status, 0);
    pid_ = -1;
    fs::remove(screenshot());
  }

  // Stopped, and its bus name free for the next start.
  void stopAndRelease(test::Connection& client) {
    stop();
    EXPECT_TRUE(test::spinUntil(
        [&] { return test::nameOwner(client, kDesktopApplicationId).empty(); }, 10));
  }

  // The exit status once the program has ended by itself, within `seconds`;
  // none when it still runs or did not exit normally.
  std::optional<int> exitStatusWithin(double seconds) {
    std::optional<int> exited;
    const bool ended = test::spinUntil(
        [&] {
          int status = 0;
          if (::waitpid(pid_, &status, WNOHANG) != pid_) return false;
          if (WIFEXITED(status)) exited = WEXITSTATUS(status);
          pid_ = -1;
          return true;
        },
        seconds);
    return ended ? exited : std::nullopt;
  }

  fs::path screenshot() const { return root_ / "window.png"; }

  // The window's next screenshot that satisfies `wanted`, within `limit`;
  // the last one seen otherwise.
  Picture waitForScreenshot(const std::function<bool(const Picture&)>& wanted,
                            std::chrono::milliseconds limit = std::chrono::seconds(20)) {
    const auto deadline = SteadyClock::now() + limit;
    Picture last;
    fs::file_time_type seen{};
    while (SteadyClock::now() < deadline) {
      std::error_code error;
      const auto written = fs::last_write_time(screenshot(), error);
      if (!error && written != seen) {
        seen = written;
        last = loadOver(screenshot(), Colour{0, 0, 0, 1});
        if (wanted(last)) return last;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return last;
  }

  // plugscope-widget-host's picture of the same entry at one pixel a
  // point, over the window's background.
  Picture hostPicture(WidgetFamily family, Appearance appearance) {
    const fs::path output = root_ / "host.png";
    std::vector<std::string> args = environment();
    args.insert(args.end(), {kHost, "--family", familyName(family), "--format", "png", "--scale",
                             "1", "--appearance", appearance == Appearance::dark ? "dark" : "light",
                             "--output", output.string()});
    const auto result = test::runProgram("/usr/bin/env", args);
    EXPECT_EQ(result.exitStatus, 0) << result.err;
    return loadOver(output, windowBackground(appearance));
  }

  fs::path root_;
  pid_t pid_ = -1;
  int stamp_ = 0;
};

TEST_F(DesktopWindowTest, EachFamilyShowsThePngRenderersPicture) {
  for (WidgetFamily family : {WidgetFamily::small, WidgetFamily::medium, WidgetFamily::large}) {
    const Picture expected = hostPicture(family, Appearance::light);
    ASSERT_GT(expected.width, 0);
    chooseFamily(family);
    start();
    const Picture shown = waitForScreenshot([&](const Picture& p) {
      return p.width == expected.width && p.height == expected.height;
    });
    EXPECT_LE(shareOff(shown, expected, 8), 0.005)
        << familyName(family) << ": " << shown.width << "x" << shown.height << " against "
        << expected.width << "x" << expected.height;
    stop();
  }
}

TEST_F(DesktopWindowTest, APublicationIsShownWithinTwoSeconds) {
  start();
  const Picture before = waitForScreenshot([](const Picture& p) { return p.width > 0; });
  ASSERT_GT(before.width, 0);
  // Let the first frames settle, so that only the publication redraws.
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
  publish("laptop-on-battery.expected.json");
  const Picture after = waitForScreenshot(
      [&](const Picture& p) { return shareOff(p, before, 8) > 0.01; }, std::chrono::seconds(2));
  EXPECT_GT(shareOff(after, before, 8), 0.01) << "no visible change within 2 s";
}

TEST_F(DesktopWindowTest, FollowsTheDesktopsDarkPreference) {
  FakeSettingsPortal portal(1);
  ASSERT_TRUE(portal.owned());
  start();
  const Picture dark = waitForScreenshot(isDarkBackground);
  EXPECT_TRUE(isDarkBackground(dark)) << "a desktop that prefers dark";
  // No size chosen: the dock laptop's four rows fit whole only in large.
  EXPECT_LE(shareOff(dark, hostPicture(WidgetFamily::large, Appearance::dark), 8), 0.005);
  portal.change(0);
  const Picture light = waitForScreenshot([](const Picture& p) { return !isDarkBackground(p); });
  EXPECT_FALSE(isDarkBackground(light)) << "after the desktop dropped its preference";
}

// Activates one of the running application's actions (the menu's and the
// keys' own) through GApplication's action interface on the session bus.
bool activateAction(const char* name, GVariant* parameter) {
  GDBusConnection* bus = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, nullptr);
  if (!bus) return false;
  GVariantBuilder parameters;
  g_variant_builder_init(&parameters, G_VARIANT_TYPE("av"));
  if (parameter) g_variant_builder_add(&parameters, "v", parameter);
  GVariant* reply = g_dbus_connection_call_sync(
      bus, "io.plugscope.Plugscope", "/io/plugscope/Plugscope", "org.gtk.Actions", "Activate",
      g_variant_new("(sava{sv})", name, &parameters, nullptr), nullptr, G_DBUS_CALL_FLAGS_NONE,
      5000, nullptr, nullptr);
  g_object_unref(bus);
  if (reply) g_variant_unref(reply);
  return reply != nullptr;
}

TEST_F(DesktopWindowTest, BadInputGivesOneLineAndStatusTwo) {
  std::vector<std::string> noDisplay = {"-u", "DISPLAY", "-u", "WAYLAND_DISPLAY", kDesktop};
  test::expectUsageError(test::runProgram("/usr/bin/env", noDisplay), "plugscope-widget-host",
                         "no display");
  test::expectUsageError(test::runProgram(kDesktop, {"--extension", "/nonexistent/Plugin.so"}),
                         "/nonexistent/Plugin.so", "missing plug-in");
}

// Left to choose, GTK would open the machine's GL driver with the display
// (with Mesa's software driver, LLVM among it: some 60 MiB resident for the
// life of the program) although the window is one Cairo drawing. Started
// without the tests' renderer settings, the program loads no GL driver.
TEST_F(DesktopWindowTest, LoadsNoGlDriverForItsCairoDrawing) {
  start({"GSK_RENDERER", "GDK_DEBUG"});
  ASSERT_GT(waitForScreenshot([](const Picture& p) { return p.width > 0; }).width, 0);
  std::ifstream maps("/proc/" + std::to_string(pid_) + "/maps");
  std::vector<std::string> drivers;
  for (std::string line; std::getline(maps, line);) {
    for (const char* part : {"_dri.so", "libLLVM", "libEGL_mesa", "libGLX_mesa"}) {
      const std::string file = line.substr(line.rfind(' ') + 1);
      const bool known = std::ranges::find(drivers, file) != drivers.end();
      if (line.find(part) != std::string::npos && !known) {
        drivers.push_back(file);
      }
    }
  }
  EXPECT_EQ(drivers, std::vector<std::string>{});
}

TEST_F(DesktopWindowTest, ASecondLaunchLeavesTheRunningWindow) {
  start();
  ASSERT_GT(waitForScreenshot([](const Picture& p) { return p.width > 0; }).width, 0);
  // In the first one's environment, not in the one this test runs in.
  std::vector<std::string> args = {"-i"};
  for (const std::string& variable : environment()) args.push_back(variable);
  args.push_back(kDesktop);
  EXPECT_EQ(test::runProgram("/usr/bin/env", args).exitStatus, 0);
  EXPECT_EQ(::waitpid(pid_, nullptr, WNOHANG), 0) << "the first one still runs";
}

// The running application's unique name on the bus once its panel entry
// answers; empty when it does not within 10 s.
std::string panelEntry(test::Connection& client) {
  std::string item;
  const bool answers = test::spinUntil(
      [&] {
        item = test::nameOwner(client, kDesktopApplicationId);
        return !item.empty() && client.property(item, kStatusNotifierItemPath,
                                                "org.kde.StatusNotifierItem", "Id") != nullptr;
      },
      10);
  return answers ? item : std::string();
}

TEST_F(DesktopWindowTest, ThePanelEntryRegistersWithWatchersBeforeAndAfterIt) {
  test::Connection client;
  std::string item;
  {
    test::TestWatcher early;
    start();
    item = panelEntry(client);
    ASSERT_FALSE(item.empty());
    EXPECT_TRUE(test::spinUntil([&] { return !early.registered.empty(); }, 10));
    EXPECT_EQ(early.registered, std::vector<std::string>{item});
  }
  // The panel restarted: its new watcher learns of the item too.
  test::TestWatcher late;
  EXPECT_TRUE(test::spinUntil([&] { return !late.registered.empty(); }, 10));
  EXPECT_EQ(late.registered, std::vector<std::string>{item});
}

// The upper `rows` rows of a picture.
Picture topOf(const Picture& picture, int rows) {
  Picture top = picture;
  top.height = std::min(rows, picture.height);
  top.pixels.resize(static_cast<std::size_t>(top.width * top.height));
  return top;
}

// Whether anything is drawn below the upper `rows` rows: some pixel there
// stands out from the window's background.
bool inkBelow(const Picture& picture, int rows) {
  // The light window colour is grey: its blue channel is every channel.
  const auto plain = static_cast<int>(std::lround(windowBackground(Appearance::light).blue * 255));
  for (int y = rows; y < picture.height; ++y) {
    for (int x = 0; x < picture.width; ++x) {
      if (std::abs(static_cast<int>(picture.at(x, y) & 0xff) - plain) > 64) return true;
    }
  }
  return false;
}

// The hints about the drawn ports: in a strip below the widget's drawing,
// which stays as the PNG renderer draws it, and under their port's line
// in the panel menu; a notification for each (port, hint) that the advice
// before did not give, none for what is there at start. Advice about
// another snapshot shows nothing and is no news either way.
TEST_F(DesktopWindowTest, HintsShowBelowTheDrawingUnderTheirPortAndNewOnesInANotice) {
  using Notice = test::TestNotifications::Notice;
  const AdviceEntry usb4{3, "cable-limits-usb4", {{"mode", std::string("thunderbolt3")}}, "-"};
  const AdviceEntry weak{1, "charger-too-weak", {{"offerWatts", 60}, {"needWatts", 96}}, "-"};
  const std::string usb4Line =
      "\u21b3 The cable limits this link to Thunderbolt 3; use a USB4 or Thunderbolt 4 cable. "
      "(disabled)";
  const std::string weakLine =
      "\u21b3 The charger gives 60 W; this laptop asks for up to 96 W. (disabled)";
  struct Step {
    const char* name;
    Advice advice;  // the dock laptop's snapshot is taken at 0
    std::vector<std::string> hintLines;  // in the panel menu, in order
    std::vector<Notice> announced;
  };
  const Step steps[] = {
      {"a hint at start", {{0}, {usb4}}, {usb4Line}, {}},
      {"a second hint",
       {{0}, {weak, usb4}},
       {weakLine, usb4Line},
       {{"USB-C 1 \u2014 Connected", "The charger gives 60 W; this laptop asks for up to 96 W."}}},
      {"advice about another snapshot", {{5}, {weak, usb4}}, {}, {}},
      {"both again", {{0}, {weak, usb4}}, {weakLine, usb4Line}, {}},
  };
  chooseFamily(WidgetFamily::medium, true);
  test::Connection client;
  test::TestNotifications notices(client);
  ASSERT_TRUE(notices.owned());
  const Picture widget = hostPicture(WidgetFamily::medium, Appearance::light);
  for (const Step& step : steps) {
    SCOPED_TRACE(step.name);
    advise(step.advice);
    if (&step == &steps[0]) {
      start();
    } else {
      publish("laptop-dock-display-charger.expected.json");
    }
    const std::string item = panelEntry(client);
    ASSERT_FALSE(item.empty());
    std::vector<std::string> hintLines;
    // The notices of an entry go out before its menu changes.
    EXPECT_TRUE(test::spinUntil(
        [&] {
          hintLines.clear();
          for (const std::string& each : test::menuLayout(client, item).second) {
            if (each.starts_with("\u21b3")) hintLines.push_back(each);
          }
          return hintLines == step.hintLines;
        },
        10));
    EXPECT_EQ(hintLines, step.hintLines);
    EXPECT_EQ(notices.received, step.announced);
    notices.received.clear();
    // Hints make the window taller; the widget's part stays as it is drawn.
    const bool strip = !step.hintLines.empty();
    const Picture shown = waitForScreenshot([&](const Picture& p) {
      return p.width == 364 && (p.height > 170) == strip;
    });
    EXPECT_EQ(shown.height > 170, strip) << shown.height;
    EXPECT_EQ(inkBelow(shown, 170), strip) << "the strip's text";
    EXPECT_LE(shareOff(topOf(shown, 170), widget, 8), 0.005);
  }
}

// The program's top-level X window titled `title` (GDK's hidden leader
// window carries the application's name too, but no class); 0 when there
// is none.
Window windowTitled(Display* display, const char* title) {
  Window root = 0;
  Window parent = 0;
  Window* children = nullptr;
  unsigned count = 0;
  if (!XQueryTree(display, DefaultRootWindow(display), &root, &parent, &children, &count)) {
    return 0;
  }
  Window found = 0;
  for (unsigned i = 0; i < count && !found; ++i) {
    char* name = nullptr;
    XClassHint hint{};
    const bool classed = XGetClassHint(display, children[i], &hint) != 0;
    const bool ours =
        classed && hint.res_name && std::string_view(hint.res_name) == "plugscope-desktop";
    if (classed) {
      XFree(hint.res_name);
      XFree(hint.res_class);
    }
    if (ours && XFetchName(display, children[i], &name) && name) {
      if (std::string_view(name) == title) found = children[i];
      XFree(name);
    }
  }
  if (children) XFree(children);
  return found;
}

// The window manager's part: asks the window to close, as its close button
// does (WM_DELETE_WINDOW), or tells whether it is on screen, or there at all.
enum class WindowRequest { close, isMapped, exists };
bool onWindow(const char* title, WindowRequest request) {
  // A window may go between listing it and asking about it (the program
  // destroys its window when hidden): that is an answer, not a reason for
  // Xlib's default handler to end the test.
  XSetErrorHandler(+[](Display*, XErrorEvent*) { return 0; });
  Display* display = XOpenDisplay(nullptr);
  if (!display) return false;
  const Window window = windowTitled(display, title);
  bool done = false;
  if (window && request == WindowRequest::close) {
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    done = XSendEvent(display, window, False, NoEventMask, &event) != 0;
    XSync(display, False);
  } else if (window && request == WindowRequest::exists) {
    done = true;
  } else if (window) {
    XWindowAttributes attributes{};
    done = XGetWindowAttributes(display, window, &attributes) && attributes.map_state == IsViewable;
  }
  XCloseDisplay(display);
  return done;
}

TEST_F(DesktopWindowTest, ThePanelMenuListsEachPortAndShowWidgetMapsTheWindow) {
  start();
  ASSERT_GT(waitForScreenshot([](const Picture& p) { return p.width > 0; }).width, 0);
  test::Connection client;
  const std::string item = panelEntry(client);
  ASSERT_FALSE(item.empty());
  std::map<std::string, int> ids;
  EXPECT_EQ(test::menuLayout(client, item, &ids).second,
            (std::vector<std::string>{
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
  ASSERT_EQ(ids.count("Show widget"), 1u);

  // A left click hides the shown window: nothing is drawn any more.
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
  client.call(item, kStatusNotifierItemPath, "org.kde.StatusNotifierItem", "Activate",
              g_variant_new("(ii)", 0, 0));
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
  fs::remove(screenshot());
  std::this_thread::sleep_for(std::chrono::milliseconds(1000));
  EXPECT_FALSE(fs::exists(screenshot())) << "drawn while hidden";
  // Hidden, the window is gone with its renderer and surfaces.
  EXPECT_FALSE(onWindow("Plugscope", WindowRequest::exists)) << "kept while hidden";
  // Made again, the window draws a frame.
  client.call(item, kPanelMenuPath, "com.canonical.dbusmenu", "Event",
              g_variant_new("(isvu)", ids["Show widget"], "clicked", g_variant_new_int32(0), 0u));
  EXPECT_GT(waitForScreenshot([](const Picture& p) { return p.width > 0; },
                              std::chrono::seconds(5))
                .width,
            0)
      << "not shown after \"Show widget\"";
}

TEST_F(DesktopWindowTest, APublicationIsSignalledByThePanelEntry) {
  start();
  test::Connection client;
  const std::string item = panelEntry(client);
  ASSERT_FALSE(item.empty());
  std::vector<std::string> signals;
  const guint subscription = g_dbus_connection_signal_subscribe(
      client.bus, item.c_str(), nullptr, nullptr, nullptr, nullptr, G_DBUS_SIGNAL_FLAGS_NONE,
      [](GDBusConnection*, const gchar*, const gchar*, const gchar* interface, const gchar* name,
         GVariant* parameters, gpointer data) {
        const std::string_view from = interface;
        if (from != "org.kde.StatusNotifierItem" && from != "com.canonical.dbusmenu") return;
        std::string seen = name;
        if (seen == "XAyatanaNewLabel") {
          const char* label = nullptr;
          g_variant_get(parameters, "(&s&s)", &label, nullptr);
          seen += std::string(" ") + label;
        }
        static_cast<std::vector<std::string>*>(data)->push_back(seen);
      },
      &signals, nullptr);
  // A round trip, so that the subscription is in place before the change.
  const auto before = test::menuLayout(client, item).first;

  publish("laptop-on-battery.expected.json");
  EXPECT_TRUE(test::spinUntil([&] { return signals.size() >= 4; }, 10));
  EXPECT_EQ(signals, (std::vector<std::string>{"NewTitle", "NewToolTip",
                                               "XAyatanaNewLabel Nothing plugged in",
                                               "LayoutUpdated"}));
  const auto [after, menu] = test::menuLayout(client, item);
  EXPECT_EQ(after, before + 1);
  EXPECT_EQ(menu.size(), 8u) << "three ports, a separator and four commands";
  g_dbus_connection_signal_unsubscribe(client.bus, subscription);
}

// The panel entry's title, as a panel reads it; empty without an answer.
std::string panelTitle(test::Connection& client, const std::string& item) {
  test::Variant title =
      client.property(item, kStatusNotifierItemPath, "org.kde.StatusNotifierItem", "Title");
  return title ? g_variant_get_string(title.get(), nullptr) : "";
}

// The panel menu's item that starts with `label`, as menuLabelOf shows it.
std::string panelMenuItem(test::Connection& client, const std::string& item,
                          std::string_view label) {
  for (const std::string& each : test::menuLayout(client, item).second) {
    if (each.find(label) != std::string::npos) return each;
  }
  return "(none)";
}

// Until the user chooses a size, the window shows each entry in the
// smallest family in which every row fits whole (large when none is big
// enough); a chosen size is kept, whatever the rows need.
TEST_F(DesktopWindowTest, OpensInTheSmallestFamilyWhereEveryRowFitsUnlessOneWasChosen) {
  struct Row {
    const char* name;
    const char* fixture;
    std::optional<WidgetFamily> chosen;
    int width, height;
  };
  // Three free ports take two lines each, which small holds; the dock
  // laptop's four rows, the first of them with a charging line, need large.
  const Row rows[] = {
      {"three free ports", "laptop-on-battery.expected.json", std::nullopt, 170, 170},
      {"a dock, a phone, a display", "laptop-dock-display-charger.expected.json", std::nullopt,
       364, 382},
      {"the same, medium chosen", "laptop-dock-display-charger.expected.json",
       WidgetFamily::medium, 364, 170},
      {"three free ports, large chosen", "laptop-on-battery.expected.json", WidgetFamily::large,
       364, 382},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    chooseFamily(row.chosen);
    publish(row.fixture);
    start();
    const Picture shown = waitForScreenshot(
        [&](const Picture& p) { return p.width == row.width && p.height == row.height; });
    EXPECT_EQ(shown.width, row.width);
    EXPECT_EQ(shown.height, row.height);
    stop();
  }
  // Without a choice the size follows the entries: more rows, a bigger family.
  chooseFamily(std::nullopt);
  publish("laptop-on-battery.expected.json");
  start();
  ASSERT_EQ(waitForScreenshot([](const Picture& p) { return p.width == 170; }).width, 170);
  publish("laptop-dock-display-charger.expected.json");
  EXPECT_EQ(waitForScreenshot([](const Picture& p) { return p.height == 382; }).height, 382)
      << "did not grow for the dock";
}

// Each choice made in the window (its menu and its keys are the
// application's actions) is in the key file, private to the user, by the
// time the action returns, and the panel menu's checkmark follows it. The
// size shown before any choice becomes a choice when picked.
TEST_F(DesktopWindowTest, EachChoiceInTheWindowIsKeptAndShownInThePanelMenu) {
  start();
  ASSERT_EQ(waitForScreenshot([](const Picture& p) { return p.height == 382; }).height, 382)
      << "the dock laptop opens in large";
  test::Connection client;
  const std::string item = panelEntry(client);
  ASSERT_FALSE(item.empty());
  struct Row {
    const char* action;
    const char* family;  // the action's parameter, if any
    DesktopSettings kept;
    const char* notifyItem;
    const char* loginItem;
    int height;  // of the window's picture
  };
  const char* notifyOn = "[x] Notify when something is plugged in";
  const char* notifyOff = "[ ] Notify when something is plugged in";
  const char* loginOn = "[x] Start at login";
  const char* loginOff = "[ ] Start at login";
  const Row rows[] = {
      {"family", "large", {WidgetFamily::large, false}, notifyOff, loginOff, 382},
      {"notify-plugged", nullptr, {WidgetFamily::large, true}, notifyOn, loginOff, 382},
      {"start-at-login", nullptr, {WidgetFamily::large, true}, notifyOn, loginOn, 382},
      {"family", "small", {WidgetFamily::small, true}, notifyOn, loginOn, 170},
      {"notify-plugged", nullptr, {WidgetFamily::small, false}, notifyOff, loginOn, 170},
      {"start-at-login", nullptr, {WidgetFamily::small, false}, notifyOff, loginOff, 170},
  };
  const fs::path autostart = root_ / "config/autostart/io.plugscope.Plugscope.desktop";
  for (const Row& row : rows) {
    const std::string name = std::string(row.action) + (row.family ? " " : "") +
                             (row.family ? row.family : "");
    ASSERT_TRUE(activateAction(row.action, row.family ? g_variant_new_string(row.family) : nullptr))
        << name;
    EXPECT_EQ(parseDesktopSettings(test::readAll(keyFile())), row.kept) << name;
    struct stat file {};
    ASSERT_EQ(::stat(keyFile().c_str(), &file), 0) << name;
    EXPECT_EQ(file.st_mode & 0777, 0600u) << name;
    EXPECT_EQ(panelMenuItem(client, item, "Notify when"), row.notifyItem) << name;
    EXPECT_EQ(panelMenuItem(client, item, "Start at login"), row.loginItem) << name;
    EXPECT_EQ(fs::exists(autostart), row.loginItem == loginOn) << name;
    EXPECT_EQ(waitForScreenshot([&](const Picture& p) { return p.height == row.height; }).height,
              row.height)
        << name;
  }
}

// The dock laptop's snapshot with nothing attached to the ports numbered.
Snapshot dockLaptopWithout(std::initializer_list<std::int64_t> unplugged) {
  Snapshot snapshot =
      decodeSnapshotOrNone(test::readFixture("laptop-dock-display-charger.expected.json"))
          .value_or(Snapshot{});
  for (PortStatus& port : snapshot.ports) {
    if (std::ranges::find(unplugged, port.number) != unplugged.end()) {
      PortStatus empty;
      empty.id = port.id;
      empty.number = port.number;
      port = empty;
    }
  }
  return snapshot;
}

// The dock laptop with a fifth port, numbered 5, that has a phone attached
// (a dock's own ports appear with what is plugged into them).
Snapshot dockLaptopWithAFifthPort() {
  Snapshot snapshot = dockLaptopWithout({});
  PortStatus phone = snapshot.ports[1];
  phone.id = "Port-USB-C@5";
  phone.number = 5;
  snapshot.ports.push_back(phone);
  return snapshot;
}

// One running window per notify choice, taken through the same
// publications: nothing is announced for the snapshot the window starts
// with, nor for an unplug; a port that was not connected before (or not
// there at all) and is now is announced once, and only while the user
// asked for it, from "Plugscope" with the application's icon.
TEST_F(DesktopWindowTest, APortThatBecomesConnectedIsAnnouncedOnceWhenChosen) {
  using Notice = test::TestNotifications::Notice;
  struct Step {
    const char* name;
    Snapshot snapshot;
    const char* title;  // the panel's, once the window has taken the snapshot
    std::vector<Notice> announced;
  };
  const std::vector<Step> steps = {
      {"the first snapshot", dockLaptopWithout({3}), "3 ports in use \u00b7 96 W", {}},
      {"a dock plugged into port 3",
       dockLaptopWithout({}),
       "4 ports in use \u00b7 96 W",
       {{"USB-C 3: Harbor TB4 Dock \u00b7 40 Gbps",
         "Thunderbolt, USB 3, USB 2 \u00b7 Smart cable \u00b7 1.1 W"}}},
      {"the display unplugged from port 4", dockLaptopWithout({4}), "3 ports in use \u00b7 96 W",
       {}},
      {"the display plugged in again",
       dockLaptopWithout({}),
       "4 ports in use \u00b7 96 W",
       {{"USB-C 4: Connected \u00b7 8.1 Gbps", "DisplayPort"}}},
      {"a port that appears with a phone attached",
       dockLaptopWithAFifthPort(),
       "5 ports in use \u00b7 96 W",
       {{"USB-C 5: iPhone \u00b7 10 Gbps", "USB 3, USB 2 \u00b7 2.5 W"}}},
      {"that port gone again", dockLaptopWithout({}), "4 ports in use \u00b7 96 W", {}},
  };
  for (const bool notify : {false, true}) {
    SCOPED_TRACE(notify ? "notify on" : "notify off");
    chooseFamily(WidgetFamily::medium, notify);
    test::Connection client;
    test::TestNotifications notices(client);
    ASSERT_TRUE(notices.owned());
    publish(steps.front().snapshot);
    start();
    const std::string item = panelEntry(client);
    ASSERT_FALSE(item.empty());
    for (const Step& step : steps) {
      if (&step != &steps.front()) publish(step.snapshot);
      // The application sends a snapshot's notices before its title
      // changes, on the same connection: once the title is read here, they
      // have arrived.
      EXPECT_TRUE(test::spinUntil([&] { return panelTitle(client, item) == step.title; }, 10))
          << step.name;
      EXPECT_EQ(notices.received, notify ? step.announced : std::vector<Notice>{}) << step.name;
      notices.received.clear();
    }
    for (const std::string& sender : notices.senders) {
      EXPECT_EQ(sender, "Plugscope io.plugscope.Plugscope");
    }
    stopAndRelease(client);
  }
}

// Closing the window only hides it while a panel shows the entry that can
// bring it back; otherwise the program ends, rather than run on unseen.
TEST_F(DesktopWindowTest, ClosingTheWindowQuitsUnlessAPanelShowsTheEntry) {
  struct Row {
    const char* name;
    bool panelBefore;  // a panel's watcher when the program starts
    bool panelAtClose;
  };
  const Row rows[] = {
      {"no panel", false, false},
      {"the panel went away", true, false},
      {"a panel shows the entry", true, true},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    test::Connection client;
    std::optional<test::TestWatcher> panel;
    if (row.panelBefore) panel.emplace();
    start();
    const std::string item = panelEntry(client);
    ASSERT_FALSE(item.empty());
    ASSERT_GT(waitForScreenshot([](const Picture& p) { return p.width > 0; }).width, 0);
    if (panel) {
      ASSERT_TRUE(test::spinUntil([&] { return !panel->registered.empty(); }, 10));
    }
    if (row.panelBefore && !row.panelAtClose) {
      panel.reset();
      ASSERT_TRUE(test::spinUntil(
          [&] { return test::nameOwner(client, "org.kde.StatusNotifierWatcher").empty(); }, 10));
      // The bus told the program before it answers this.
      panelTitle(client, item);
    }
    ASSERT_TRUE(test::spinUntil([] { return onWindow("Plugscope", WindowRequest::isMapped); }, 10));
    ASSERT_TRUE(onWindow("Plugscope", WindowRequest::close));
    if (row.panelAtClose) {
      EXPECT_TRUE(
          test::spinUntil([] { return !onWindow("Plugscope", WindowRequest::isMapped); }, 10))
          << "still shown";
      EXPECT_FALSE(panelTitle(client, item).empty()) << "no longer answers";
      EXPECT_EQ(::waitpid(pid_, nullptr, WNOHANG), 0) << "ended";
    } else {
      EXPECT_EQ(exitStatusWithin(10), 0) << "did not end by itself";
    }
    stopAndRelease(client);
  }
}

TEST(WindowContentTest, TheDescriptionReadsEveryRowsTexts) {
  const auto snapshot = decodeSnapshotOrNone(test::readFixture("laptop-dock-display-charger.expected.json"));
  ASSERT_TRUE(snapshot);
  const std::string description = accessibleDescription(
      cableWidgetView(CableEntry{PointInTime{0}, *snapshot}, WidgetFamily::medium),
      UntranslatedStrings());
  EXPECT_EQ(description,
            "Cables, 96 W\n"
            "USB-C 1, Connected, Charging the Mac \u00b7 96 W, Smart cable\n"
            "USB-C 2, 10 Gbps, iPhone, USB 3, USB 2 \u00b7 2.5 W\n"
            "USB-C 3, 40 Gbps, Harbor TB4 Dock, Thunderbolt, USB 3, USB 2 \u00b7 Smart cable \u00b7 1.1 W\n"
            "USB-C 4, 8.1 Gbps, Connected, DisplayPort");
}

// The strip says, below the drawing, each hint the widget has a sentence
// for, in the order given, one paragraph after the other; screen readers
// hear them after the rows. Without hints there is no strip.
TEST(WindowContentTest, TheStripSaysEachHintTheWidgetCanSayBelowTheDrawing) {
  std::string error;
  const auto plugin = LoadedExtension::load(
      std::string(PLUGSCOPE_BINARY_DIR) + "/" PLUGSCOPE_MODULE_DIR "/PlugscopeWidget.so", error);
  ASSERT_TRUE(plugin) << error;
  const PangoText text(pinnedFontFiles());
  const auto snapshot =
      decodeSnapshotOrNone(test::readFixture("laptop-dock-display-charger.expected.json"));
  ASSERT_TRUE(snapshot);
  const CableEntry entry{{0}, *snapshot};
  const std::vector<AdviceEntry> hints = {
      {3, "cable-limits-usb4", {{"mode", std::string("thunderbolt3")}}, "-"},
      {2, "no-such-hint", {}, "-"},
      {1, "charger-too-weak", {{"offerWatts", 60}, {"needWatts", 96}}, "-"},
  };
  const WindowContent bare = makeWindowContent(plugin->widget(), entry, WidgetFamily::medium, text);
  EXPECT_EQ(bare.strip.paragraphs.size(), 0u);
  EXPECT_EQ(bare.height(), 170);

  const WindowContent content =
      makeWindowContent(plugin->widget(), entry, WidgetFamily::medium, text, hints);
  const auto& paragraphs = content.strip.paragraphs;
  ASSERT_EQ(paragraphs.size(), 2u);
  const std::string usb4 =
      "USB-C 3: The cable limits this link to Thunderbolt 3; use a USB4 or Thunderbolt 4 cable.";
  const std::string weak = "USB-C 1: The charger gives 60 W; this laptop asks for up to 96 W.";
  EXPECT_EQ(paragraphs[0].text, usb4);
  EXPECT_EQ(paragraphs[1].text, weak);
  EXPECT_EQ(paragraphs[0].frame, (Rect{12, 12, 364 - 24, paragraphs[0].frame.height}));
  EXPECT_DOUBLE_EQ(paragraphs[1].frame.y, paragraphs[0].frame.maxY() + 6);
  EXPECT_DOUBLE_EQ(content.strip.height, paragraphs[1].frame.maxY() + 12);
  EXPECT_DOUBLE_EQ(content.height(), 170 + content.strip.height);
  EXPECT_EQ(content.description, bare.description + "\n" + usb4 + "\n" + weak);
}

}  // namespace
}  // namespace plugscope
