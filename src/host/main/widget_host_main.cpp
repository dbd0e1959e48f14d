// plugscope-widget-host: a widget host for the terminal. Loads a widget
// plug-in, asks it for a timeline, draws the entry, and keeps the drawing
// current: again at the timeline's reload date, and at once whenever the
// agent requests a reload.
//
//   plugscope-widget-host [--family small|medium|large] [--format ansi|text|tree|png]
//                         [--appearance light|dark] [--scale 1|2|3] [--output FILE]
//                         [--once] [--preview] [--extension PATH]
//
// --format png draws one entry as a desktop would, at --scale pixels per
// point (default 2), into the --output file (required), and exits.
// --format text and ansi print the hints about the drawn snapshot under
// the box (the agent's advice.json, when its taken is the snapshot's).
//
// Bad arguments, a plug-in that cannot be loaded, an output file that
// cannot be written and missing font files give one line on stderr and
// exit status 2. The default plug-in is the one installed beside the
// host: <bin>/PlugscopeWidget.so, else <bin>/../lib/plugscope/PlugscopeWidget.so
// (the library folder as the build configured it).
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <algorithm>
#include <clocale>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <memory>
#include <optional>
#include <string>

#include "command_line.h"
#include "platform/linux/inotify_reload_requests.h"
#include "platform/linux/loaded_extension.h"
#include "platform/linux/posix_file_system.h"
#include "platform/linux/system_clock.h"
#include "platform/linux/xdg_container_locator.h"
#include "platform/linux/xdg_dirs.h"
#include "host/png/pango_text.h"
#include "host/png/pinned_fonts.h"
#include "host/png/png_renderer.h"
#include "host/host_session.h"
#include "host/terminal_renderer.h"
#include "host/tree_renderer.h"

namespace {

[[noreturn]] void die(const std::string& message) {
  plugscope::tools::die("plugscope-widget-host", message);
}



// One request source that never fires, for --once.
class NoReloadRequests final : public plugscope::ReloadRequests {
 public:
  Wait waitFor(double) override { return Wait::closed; }
};

}  // namespace

int main(int argc, char** argv) {
  // The plug-in's texts follow the user's language, as every program's do.
  std::setlocale(LC_ALL, "");

  CLI::App app{"Show a widget plug-in in the terminal and keep it current",
               "plugscope-widget-host"};
  std::string family = "medium";
  std::string format;
  std::string extensionPath;
  bool once = false;
  bool preview = false;
  std::string appearance = "light";
  int scale = static_cast<int>(plugscope::kRenderScale);
  std::string outputPath;
  app.add_option("--family", family, "widget size: small, medium or large (default medium)")
      ->check(CLI::IsMember({"small", "medium", "large"}));
  app.add_option("--format", format,
                 "ansi, text, tree or png (default: ansi on a terminal, else text)")
      ->check(CLI::IsMember({"ansi", "text", "tree", "png"}));
  app.add_option("--appearance", appearance, "png: light or dark (default light)")
      ->check(CLI::IsMember({"light", "dark"}));
  app.add_option("--scale", scale, "png: pixels per point, 1, 2 or 3 (default 2)")
      ->check(CLI::IsMember({1, 2, 3}));
  app.add_option("--output", outputPath, "write to FILE instead of standard output");
  app.add_flag("--once", once, "render one timeline entry and exit");
  app.add_flag("--preview", preview, "render what the widget gallery shows");
  app.add_option("--extension", extensionPath, "the widget plug-in to load");
  plugscope::tools::parseOrDie(app, argc, argv);

  const bool toFile = app.count("--output") > 0;
  const bool terminal = !toFile && ::isatty(STDOUT_FILENO) == 1;
  if (format.empty()) format = terminal ? "ansi" : "text";
  // A picture holds one render, and does not belong on a terminal.
  if (format == "png") {
    if (!toFile) die("--format png needs --output FILE");
    once = true;
  }

  std::string error;
  auto extension = plugscope::loadWidgetPlugin(
      app.count("--extension") ? std::optional(extensionPath) : std::nullopt,
      PLUGSCOPE_MODULE_FROM_BINDIR, error);
  if (!extension) die(error);

  const plugscope::Widget& widget = extension->widget();
  const auto chosen = *plugscope::parseFamily(family);
  const auto& supported = widget.configuration().supportedFamilies;
  if (std::find(supported.begin(), supported.end(), chosen) == supported.end()) {
    die("the widget does not come in the " + family + " family");
  }

  std::unique_ptr<plugscope::PangoText> fonts;
  std::unique_ptr<plugscope::WidgetRenderer> renderer;
  if (format == "tree") {
    renderer = std::make_unique<plugscope::TreeRenderer>();
  } else if (format == "png") {
    fonts = std::make_unique<plugscope::PangoText>(plugscope::pinnedFontFiles());
    if (!fonts->usable()) die(plugscope::unusableFontsMessage(*fonts));
    renderer = std::make_unique<plugscope::PngRenderer>(
        *fonts, *plugscope::parseAppearance(appearance), static_cast<double>(scale));
  } else {
    renderer = std::make_unique<plugscope::TerminalRenderer>(format == "ansi");
  }

  plugscope::HostOptions options;
  options.family = chosen;
  options.once = once;
  options.preview = preview;
  options.outputIsTerminal = terminal;
  options.clearScreen = terminal && format == "ansi" && !once;

  const plugscope::SystemClock clock;
  const plugscope::ProcessEnvironment environment;
  plugscope::PosixFileSystem files;
  std::unique_ptr<plugscope::ReloadRequests> requests;
  if (once) {
    requests = std::make_unique<NoReloadRequests>();
  } else {
    requests = std::make_unique<plugscope::InotifyReloadRequests>(
        plugscope::reloadDirectory(environment), files);
  }
  std::ofstream file;
  if (toFile) {
    file.open(outputPath, std::ios::binary | std::ios::trunc);
    if (!file) die("cannot write " + outputPath + ": " + std::strerror(errno));
  }
  std::ostream& out = toFile ? static_cast<std::ostream&>(file) : std::cout;
  // The tree and the picture show the widget alone.
  const plugscope::XdgContainerLocator locator(environment, files);
  const plugscope::SnapshotStore store(locator, files);
  const plugscope::AdviceReader advice(store);
  const bool hints = format == "text" || format == "ansi";
  plugscope::HostSession session(widget, *renderer, clock, *requests, out, options,
                                 hints ? &advice : nullptr);
  return session.run() ? 0 : 1;
}
