// plugscope-scan: one scan of a registry, printed as the snapshot file's JSON
// or as OpenMetrics text, or the hints about its ports as the advice file's JSON.
//
//   plugscope-scan [--registry FILE | --sysfs DIR] [--capture-sysfs DIR]
//                  [--report FILE | --no-report] [--taken SECONDS] [--pretty]
//                  [--format json|openmetrics] [--output FILE] [--advice]
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
#include "metrics/openmetrics.h"
#include "platform/linux/posix_file_system.h"
#include "platform/linux/read_file.h"
#include "platform/linux/spawn_process_runner.h"
#include "platform/linux/sysfs_capture.h"
#include "platform/linux/sysfs_registry.h"
#include "platform/linux/system_clock.h"
#include "scanner/port_scan.h"
#include "scanner/registry_fixture.h"
#include "shared/advice_json.h"
#include "shared/snapshot_json.h"
#include "shared/snapshot_store.h"

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

// Where --output goes: an absolute directory that exists and a file name in
// it, so that the temporary file can be renamed over the file.
struct OutputFile {
  std::string directory;
  std::string name;
};

OutputFile outputFileOrDie(const std::string& given) {
  std::error_code ec;
  const std::filesystem::path path = std::filesystem::absolute(given, ec);
  const std::string name = path.filename().string();
  if (ec || given.empty() || name.empty() || name == "." || name == "..") {
    die("--output: not a file name: " + given);
  }
  if (!std::filesystem::is_directory(path.parent_path(), ec)) {
    die("cannot write --output " + given + ": no such directory");
  }
  if (std::filesystem::is_directory(path, ec)) {
    die("cannot write --output " + given + ": a directory");
  }
  return {path.parent_path().string(), name};
}

// Readable by the collector or whoever reads the file, like stdout would be.
constexpr unsigned kOutputFileMode = 0644;

}  // namespace

int main(int argc, char** argv) {
  CLI::App app{"Scan a registry and print the ports as snapshot JSON or OpenMetrics text",
               "plugscope-scan"};
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
  std::string format = "json";
  app.add_option("--format", format, "json (the snapshot file's form) or openmetrics")
      ->check(CLI::IsMember({"json", "openmetrics"}));
  std::string outputPath;
  app.add_option("--output", outputPath, "replace FILE atomically instead of printing");
  bool adviceOnly = false;
  app.add_flag("--advice", adviceOnly, "print the hints about the ports instead of the snapshot");
  plugscope::tools::parseOrDie(app, argc, argv);
  const bool openMetrics = format == "openmetrics";
  if (openMetrics && pretty) die("--pretty: only for --format json");
  // The metrics carry the hints already.
  if (adviceOnly && openMetrics) die("--advice: not with --format openmetrics, which has the hints");
  if (adviceOnly && pretty) die("--pretty: not with --advice");
  std::optional<OutputFile> output;
  if (app.count("--output") > 0) output = outputFileOrDie(outputPath);

  plugscope::PointInTime taken = plugscope::SystemClock().now();
  if (app.count("--taken") > 0) {
    auto seconds = parseSeconds(takenText);
    if (!seconds) die("--taken: not a finite number: " + takenText);
    taken.seconds = *seconds;
  }

  // Without a fixture the machine's own sysfs tree is the registry, and its
  // facts give the hints; a fixture has no facts, so no hints.
  plugscope::RegistryReading reading;
  if (app.count("--registry") == 0) {
    std::error_code ec;
    if (app.count("--sysfs") > 0 && !std::filesystem::is_directory(sysfsRoot, ec)) {
      die("cannot read --sysfs " + sysfsRoot + ": not a directory");
    }
    if (app.count("--capture-sysfs") > 0) {
      std::string error;
      auto captured = plugscope::captureSysfs(plugscope::SysfsTree(sysfsRoot), captureDir, error);
      if (!captured) die("cannot capture into --capture-sysfs " + captureDir + ": " + error);
      reading = std::move(*captured);
    } else {
      reading = plugscope::readSysfsRegistry(plugscope::SysfsTree(sysfsRoot));
    }
  } else {
    std::string error;
    auto text = plugscope::readWholeFile(registryFile, error);
    if (!text) die("cannot read --registry " + registryFile + ": " + error);
    auto loaded = plugscope::loadRegistryFixture(*text, error);
    if (!loaded) die("malformed registry " + registryFile + ": " + error);
    reading.registry = std::make_shared<const plugscope::MemoryRegistry>(std::move(*loaded));
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

  const plugscope::Snapshot scanned = plugscope::scanPorts(*reading.registry, taken);
  const plugscope::Snapshot snapshot =
      links ? plugscope::applyThunderboltLinks(scanned, *links) : scanned;
  std::optional<std::string> text;
  if (adviceOnly) {
    text = plugscope::encodeAdvice(plugscope::Advice{taken, reading.advice});
    if (text) text->push_back('\n');
  } else if (openMetrics) {
    std::vector<plugscope::PortHint> hints;
    for (const auto& entry : reading.advice) hints.push_back({entry.port, entry.hint});
    text = plugscope::encodeOpenMetrics(snapshot, hints);
  } else {
    text = plugscope::encodeSnapshot(
        snapshot, pretty ? plugscope::JsonLayout::pretty : plugscope::JsonLayout::compact);
    if (text) text->push_back('\n');
  }
  if (!text) {
    std::cerr << "plugscope-scan: the snapshot holds a number that " << format
              << " cannot carry\n";
    return 1;
  }

  if (output) {
    // The node exporter's collector reads *.prom files at any moment: the
    // text goes into a hidden temporary file beside the output, whose name
    // never ends in .prom, and is renamed over it only when complete.
    plugscope::PosixFileSystem files;
    if (!plugscope::replaceFileAtomically(files, output->directory, output->name, *text,
                                          kOutputFileMode, /*flush=*/true)) {
      std::cerr << "plugscope-scan: cannot write --output " << outputPath << '\n';
      return 1;
    }
    return 0;
  }
  std::cout << *text;
  return std::cout.flush() ? 0 : 1;
}
