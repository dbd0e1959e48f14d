#pragma once

// What our command-line tools share: one line on stderr and status 2 for
// anything the user got wrong, CLI11's own errors included.
#include <CLI/CLI.hpp>
#include <cstdlib>
#include <iostream>
#include <string>

#include "plugscope_version.h"

namespace plugscope::tools {

inline constexpr int kUsageError = 2;

[[noreturn]] inline void die(const std::string& tool, const std::string& message) {
  std::cerr << tool << ": " << message << '\n';
  std::exit(kUsageError);
}

// Parses the arguments; --help prints the usage and --version the tool's
// name and version, both exiting 0, and a parse error (two lines and
// CLI11's own exit codes otherwise) becomes die().
inline void parseOrDie(CLI::App& app, int argc, char** argv) {
  app.set_version_flag("--version", app.get_name() + " " + PLUGSCOPE_VERSION,
                       "print the version and exit");
  try {
    app.parse(argc, argv);
  } catch (const CLI::Success& e) {
    std::exit(app.exit(e));
  } catch (const CLI::ParseError& e) {
    die(app.get_name(), e.what());
  }
}

}  // namespace plugscope::tools
