// plugscope-scan: one scan of a registry, printed as the snapshot file's JSON.
//
//   plugscope-scan [--registry FILE | --sysfs DIR] [--capture-sysfs DIR]
//                  [--report FILE | --no-report] [--taken SECONDS] [--pretty]
//
// Bad arguments and unreadable input files give one line on stderr and exit
// status 2, with nothing on stdout.
#include <CLI/CLI.hpp>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <optional>
#include <string>

#include "agent/thunderbolt_report.h"
#include "command_line.h"
#include "platform/linux/read_file.h"
#include "platform/linux/spawn_process_runner.h"
#include "platform/linux/sysfs_capture.h"
#include "platform/linux/sysfs_registry.h"
#include "platform/linux/system_clock.h"
#include "scanner/port_scan.h"
#include "scanner/registry_fixture.h"
#include "shared/snapshot_json.h"

namespace {

[[noreturn]] void die(const std::string& message) {
  plugscope::tools::die("plugscope-scan", message);
}

std::optional<double> parseSeconds(std::string text) {
  if (!text.empty() && text.front() == '+') text.erase(0, 1);
  double value = 0;
  const char* end = text.data() + text.size();
  auto [ptr, ec] = std::from_chars(text.data(), end, value);
  if (text.empty() || ec != std::errc{} || ptr != end || !std::isfinite(value)) return std::nullopt;
  return value;
}

}  // namespace

int main(int argc, char** argv) {
  CLI::App app{"Scan a registry and print the ports as snapshot JSON", "plugscope-scan"};
  std::string registryFile;
  std::string reportFile;
  std::string takenText;
  bool noReport = false;
  bool pretty = false;
  auto* fixture =
      app.add_option("--registry", registryFile, "scan this registry fixture instead of the machine");
  std::string sysfsRoot = plugscope::kLiveSysfsRoot;
  app.add_option("--sysfs", sysfsRoot, "scan the sysfs tree rooted at DIR (default: /sys)")
      ->excludes(fixture);
  std::string captureDir;
  app.add_option("--capture-sysfs", captureDir, "also copy what the scan reads into new DIR")
      ->excludes(fixture);
  auto* report = app.add_option("--report", reportFile, "merge this file as the Thunderbolt report");
  auto* skip = app.add_flag("--no-report", noReport, "do not merge any Thunderbolt report");
  report->excludes(skip);
  app.add_option("--taken", takenText, "seconds since 2001-01-01 00:00:00 UTC (default: now)");
  app.add_flag("--pretty", pretty, "indent the JSON for people");
  plugscope::tools::parseOrDie(app, argc, argv);

  plugscope::PointInTime taken = plugscope::SystemClock().now();
  if (app.count("--taken") > 0) {
    auto seconds = parseSeconds(takenText);
    if (!seconds) die("--taken: not a finite number: " + takenText);
    taken.seconds = *seconds;
  }

  // Without a fixture the machine's own sysfs tree is the registry.
  plugscope::MemoryRegistry registry;
  if (app.count("--registry") == 0) {
    std::error_code ec;
    if (app.count("--sysfs") > 0 && !std::filesystem::is_directory(sysfsRoot, ec)) {
      die("cannot read --sysfs " + sysfsRoot + ": not a directory");
    }
    if (app.count("--capture-sysfs") > 0) {
      std::string error;
      auto captured = plugscope::captureSysfs(plugscope::SysfsTree(sysfsRoot), captureDir, error);
      if (!captured) die("cannot capture into --capture-sysfs " + captureDir + ": " + error);
      registry = std::move(*captured);
    } else {
      registry = plugscope::buildSysfsRegistry(plugscope::SysfsTree(sysfsRoot));
    }
  } else {
    std::string error;
    auto text = plugscope::readWholeFile(registryFile, error);
    if (!text) die("cannot read --registry " + registryFile + ": " + error);
    auto loaded = plugscope::loadRegistryFixture(*text, error);
    if (!loaded) die("malformed registry " + registryFile + ": " + error);
    registry = std::move(*loaded);
  }

  // The links to merge: from the given file, none at all, or by default
  // from the system tool, run as the agent runs it.
  std::optional<plugscope::ThunderboltLinks> links;
  if (app.count("--report") > 0) {
    std::string error;
    auto bytes =
        plugscope::readWholeFile(reportFile, error, plugscope::kMaxThunderboltReportBytes);
    if (!bytes) die("cannot read --report " + reportFile + ": " + error);
    links = plugscope::parseThunderboltReport(*bytes);
  } else if (!noReport) {
    plugscope::SpawnProcessRunner runner;
    links = plugscope::readThunderboltLinks(runner);
  }

  const plugscope::Snapshot snapshot = plugscope::scanPorts(registry, taken);
  auto json = plugscope::encodeSnapshot(
      links ? plugscope::applyThunderboltLinks(snapshot, *links) : snapshot,
      pretty ? plugscope::JsonLayout::pretty : plugscope::JsonLayout::compact);
  if (!json) {
    std::cerr << "plugscope-scan: the snapshot holds a number that JSON cannot carry\n";
    return 1;
  }
  std::cout << *json << '\n';
  return std::cout.flush() ? 0 : 1;
}
