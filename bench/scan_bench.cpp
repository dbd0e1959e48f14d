// scanPorts on realistic and large registries, and how its cost grows.
#include <benchmark/benchmark.h>

#include <nlohmann/json.hpp>

#include "bench_support.h"
#include "scanner/port_scan.h"

namespace plugscope {
namespace {

void BM_ScanLaptop(benchmark::State& state) {
  const MemoryRegistry registry = bench::loadFixture("laptop-dock-display-charger.json");
  for (auto _ : state) benchmark::DoNotOptimize(scanPorts(registry, {0}));
}
BENCHMARK(BM_ScanLaptop);

void BM_ScanSyntheticLarge(benchmark::State& state) {
  const MemoryRegistry registry = bench::loadFixture("synthetic-large.json");
  state.counters["entries"] = static_cast<double>(registry.size());
  for (auto _ : state) benchmark::DoNotOptimize(scanPorts(registry, {0}));
}
BENCHMARK(BM_ScanSyntheticLarge);

// The synthetic machine's root entries repeated k times: the cost per
// entry should stay flat as k grows (linear growth).
void BM_ScanGrowth(benchmark::State& state) {
  const auto base = nlohmann::ordered_json::parse(bench::fixtureText("synthetic-large.json"));
  nlohmann::ordered_json doc = {{"entries", nlohmann::ordered_json::array()}};
  for (std::int64_t k = 0; k < state.range(0); ++k) {
    for (const auto& e : base["entries"]) doc["entries"].push_back(e);
  }
  std::string error;
  const MemoryRegistry registry = *loadRegistryFixture(doc.dump(), error);
  for (auto _ : state) benchmark::DoNotOptimize(scanPorts(registry, {0}));
  state.SetComplexityN(static_cast<std::int64_t>(registry.size()));
  state.counters["entries"] = static_cast<double>(registry.size());
}
BENCHMARK(BM_ScanGrowth)->RangeMultiplier(2)->Range(1, 16)->Complexity(benchmark::oN);

void BM_LoadFixtureLarge(benchmark::State& state) {
  const std::string text = bench::fixtureText("synthetic-large.json");
  for (auto _ : state) {
    std::string error;
    benchmark::DoNotOptimize(loadRegistryFixture(text, error));
  }
}
BENCHMARK(BM_LoadFixtureLarge);

}  // namespace
}  // namespace plugscope

BENCHMARK_MAIN();
