// The agent's recurring costs: an unchanged tick (scan + compare), the
// delivery of a reload request to a watching widget host, and one save.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <map>
#include <poll.h>
#include <sys/inotify.h>
#include <unistd.h>

#include "agent/refresh_cycle.h"
#include "agent/refresh_steps.h"
#include "bench_support.h"
#include "platform/linux/file_reload_requester.h"
#include "platform/linux/fixture_file_registry_source.h"
#include "platform/linux/posix_file_system.h"
#include "platform/linux/system_clock.h"
#include "scanner/port_scan.h"
#include "shared/snapshot_store.h"

namespace plugscope {
namespace {

namespace fs = std::filesystem;

class FixedSource final : public RegistrySource {
 public:
  explicit FixedSource(MemoryRegistry registry)
      : registry_(std::make_shared<MemoryRegistry>(std::move(registry))) {}
  std::shared_ptr<const RegistryAccess> current() override { return registry_; }

 private:
  std::shared_ptr<const MemoryRegistry> registry_;
};

class CountingRunner final : public ProcessRunner {
 public:
  std::optional<std::string> run(const std::string&, const std::vector<std::string>&,
                                 std::size_t) override {
    ++runs;
    return std::nullopt;
  }
  int runs = 0;
};

class CountingWriter final : public SnapshotWriter {
 public:
  bool save(const Snapshot&) override {
    ++saves;
    return true;
  }
  bool saveAdvice(const Advice&) override { return true; }
  int saves = 0;
};

class CountingReload final : public ReloadRequester {
 public:
  void requestReload() override { ++requests; }
  int requests = 0;
};

class BenchEnvironment final : public Environment {
 public:
  std::optional<std::string> get(const std::string& name) const override {
    auto found = variables.find(name);
    return found == variables.end() ? std::nullopt : std::optional(found->second);
  }
  std::optional<std::string> passwordHome() const override { return std::nullopt; }
  std::map<std::string, std::string> variables;
};

// A new directory of this run's own, so that two runs never share one.
fs::path benchDirectory(const std::string& name) {
  std::string pattern = (fs::temp_directory_path() / ("plugscope-bench-" + name + "-XXXXXX")).string();
  if (!::mkdtemp(pattern.data())) throw fs::filesystem_error("mkdtemp", std::error_code(errno, std::generic_category()));
  return pattern;
}

// After the launch refresh, every tick scans the same registry: no merge,
// no write, no reload.
void unchangedTicks(benchmark::State& state, RegistrySource& source) {
  SystemClock clock;
  RegistryPortScanner scanner(source);
  CountingRunner runner;
  ThunderboltMerger merger(runner);
  CountingWriter writer;
  CountingReload reload;
  RefreshCycle cycle(clock, scanner, merger, writer, reload);
  cycle.initialRefresh();
  for (auto _ : state) cycle.refresh();
  if (runner.runs != 1 || writer.saves != 1 || reload.requests != 1) {
    state.SkipWithError("an unchanged tick published");
  }
  state.counters["ports"] = static_cast<double>(cycle.last().size());
}

void BM_UnchangedTickLaptop(benchmark::State& state) {
  FixedSource source(bench::loadFixture("laptop-dock-display-charger.json"));
  unchangedTicks(state, source);
}
BENCHMARK(BM_UnchangedTickLaptop);

void BM_UnchangedTickSyntheticLarge(benchmark::State& state) {
  FixedSource source(bench::loadFixture("synthetic-large.json"));
  unchangedTicks(state, source);
}
BENCHMARK(BM_UnchangedTickSyntheticLarge);

// The demo agent's tick also re-reads and parses its fixture file.
void BM_UnchangedTickDemoFixtureFile(benchmark::State& state) {
  const fs::path dir = benchDirectory("demo");
  fs::copy_file(fs::path(PLUGSCOPE_FIXTURES_DIR) / "laptop-dock-display-charger.json",
                dir / "registry.json");
  FixtureFileRegistrySource source((dir / "registry.json").string());
  unchangedTicks(state, source);
  fs::remove_all(dir);
}
BENCHMARK(BM_UnchangedTickDemoFixtureFile);

// From requestReload() to a watcher's inotify event for the moved-in file.
void BM_ReloadDelivery(benchmark::State& state) {
  const fs::path dir = benchDirectory("reload");
  BenchEnvironment env;
  env.variables["XDG_RUNTIME_DIR"] = dir.string();
  PosixFileSystem files;
  FileReloadRequester requester(env, files);
  requester.requestReload();
  const int watcher = ::inotify_init1(IN_CLOEXEC);
  const fs::path watched = dir / kAppGroupIdentifier;
  if (watcher < 0 || ::inotify_add_watch(watcher, watched.c_str(), IN_MOVED_TO) < 0) {
    state.SkipWithError("inotify unavailable");
    return;
  }
  alignas(inotify_event) char buffer[4096];
  for (auto _ : state) {
    requester.requestReload();
    pollfd entry{watcher, POLLIN, 0};
    if (::poll(&entry, 1, 5000) != 1 || ::read(watcher, buffer, sizeof buffer) <= 0) {
      state.SkipWithError("no event");
      break;
    }
  }
  ::close(watcher);
  fs::remove_all(dir);
}
BENCHMARK(BM_ReloadDelivery)->UseRealTime();

// One publication's write: encode, temporary file, flush, rename, flush.
void BM_SaveSnapshot(benchmark::State& state) {
  const fs::path dir = benchDirectory("store");
  SystemClock clock;
  const Snapshot snapshot =
      scanPorts(bench::loadFixture("laptop-dock-display-charger.json"), clock.now());
  class Locator final : public ContainerLocator {
   public:
    explicit Locator(std::string d) : d_(std::move(d)) {}
    std::optional<std::string> containerDirectory() const override { return d_; }
    std::string d_;
  } locator(dir.string());
  PosixFileSystem files;
  SnapshotStore store(locator, files);
  for (auto _ : state) store.saveSnapshot(snapshot);
  fs::remove_all(dir);
}
BENCHMARK(BM_SaveSnapshot)->UseRealTime();

}  // namespace
}  // namespace plugscope

BENCHMARK_MAIN();
