// plugscope-desktop: the widget on a Linux desktop. Loads the widget
// plug-in as plugscope-widget-host does and shows it in a small window
// that stays current, with an entry in the panel's status area beside it
// when there is a session bus.
//
//   plugscope-desktop [--extension PATH]
//
// Without a display, or without a plug-in that loads, it says so in one
// line on stderr and exits with status 2. A second launch raises the
// window of the first.

#include <CLI/CLI.hpp>
#include <clocale>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>

#include "command_line.h"
#include "desktop/desktop_app.h"
#include "desktop/panel_summary.h"
#include "desktop/status_notifier_panel.h"
#include "host/advice_reader.h"
#include "host/png/pinned_fonts.h"
#include "platform/linux/desktop_autostart.h"
#include "platform/linux/gettext_string_table.h"
#include "platform/linux/inotify_reload_requests.h"
#include "platform/linux/loaded_extension.h"
#include "platform/linux/object_location.h"
#include "platform/linux/posix_file_system.h"
#include "platform/linux/system_clock.h"
#include "platform/linux/xdg_container_locator.h"
#include "platform/linux/xdg_dirs.h"

namespace {

constexpr const char* kProgram = "plugscope-desktop";

[[noreturn]] void die(const std::string& message) { plugscope::tools::die(kProgram, message); }

// The window is one Cairo drawing, which GTK's Cairo renderer shows as it
// is. Its GL renderer would add nothing but a GL driver, and GTK 4.8 opens
// one with the display whatever the renderer (a software driver costs
// some 60 MiB of resident memory, for as long as the program runs). So
// unless the user picks a renderer, GTK gets none but Cairo, and no GL.
void preferCairoOverGl() {
  if (std::getenv("GSK_RENDERER")) return;
  ::setenv("GSK_RENDERER", "cairo", 1);
  const char* debug = std::getenv("GDK_DEBUG");
  const std::string flags =
      debug && *debug ? std::string(debug) + ",gl-disable" : std::string("gl-disable");
  ::setenv("GDK_DEBUG", flags.c_str(), 1);
}

// The host's catalogues, found from where the program lies as the
// plug-in finds the widget's.
std::string localeDirectory() {
  const auto directory = plugscope::executableDirectory();
  return directory ? *directory + "/" + PLUGSCOPE_LOCALE_FROM_BINDIR : "/usr/share/locale";
}

}  // namespace

int main(int argc, char** argv) {
  std::setlocale(LC_ALL, "");

  CLI::App app{"Show the Plugscope widget in a window on the desktop", kProgram};
  std::string extensionPath;
  std::string screenshotPath;
  app.add_option("--extension", extensionPath, "the widget plug-in to load");
  // For tests: after each redraw, the window's content as a PNG file.
  app.add_option("--screenshot", screenshotPath)->group("");
  plugscope::tools::parseOrDie(app, argc, argv);

  std::string error;
  auto extension = plugscope::loadWidgetPlugin(
      app.count("--extension") ? std::optional(extensionPath) : std::nullopt,
      PLUGSCOPE_MODULE_FROM_BINDIR, error);
  if (!extension) die(error);

  preferCairoOverGl();
  if (!gtk_init_check()) {
    die("cannot open a display; plugscope-widget-host shows the widget in a terminal");
  }
  const plugscope::PangoText fonts(plugscope::pinnedFontFiles());
  if (!fonts.usable()) die(plugscope::unusableFontsMessage(fonts));

  const plugscope::SystemClock clock;
  const plugscope::ProcessEnvironment environment;
  plugscope::PosixFileSystem files;
  plugscope::InotifyReloadRequests requests(plugscope::reloadDirectory(environment), files);
  // The hints about the drawn ports, as every host reads them.
  const plugscope::XdgContainerLocator locator(environment, files);
  const plugscope::SnapshotStore store(locator, files);
  const plugscope::AdviceReader advice(store);
  std::optional<std::string> settingsDirectory =
      plugscope::xdgBaseDirectory(environment, "XDG_CONFIG_HOME", "/.config");
  if (settingsDirectory) *settingsDirectory += "/plugscope";
  const plugscope::DesktopSettingsFile settings(files, settingsDirectory);
  const plugscope::GettextStringTable strings(plugscope::kDesktopTextDomain, localeDirectory());
  plugscope::DesktopAutostart startAtLogin(environment, files, plugscope::currentExecutablePath());

  // The panel entry, beside the window while a session bus exists.
  const auto makePanel = [&](plugscope::DesktopControls& controls, const plugscope::Widget& widget,
                             GDBusConnection* bus) -> std::unique_ptr<plugscope::DesktopPanel> {
    if (!bus) return nullptr;
    return std::make_unique<plugscope::StatusNotifierPanel>(controls, strings, widget);
  };

  plugscope::DesktopApp::Options options;
  if (!screenshotPath.empty()) options.screenshotPath = screenshotPath;
  plugscope::DesktopApp desktop(extension->widget(), strings, fonts, clock, requests, advice,
                                settings, startAtLogin, makePanel, options);
  return desktop.run(argv[0]);
}
