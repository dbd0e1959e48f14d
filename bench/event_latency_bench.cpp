// From a kernel device event to the agent's new snapshot.json and reload
// stamp: the live agent in a umockdev test bed, a partner plugged and
// unplugged 20 times at random phases of the 2-second tick grid. The time
// includes the 100 ms quiet time that gathers a burst of events. Reported
// as the time to the snapshot (median and max over the repetitions) and
// the counter reload_ms, the time to the reload stamp.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <memory>
#include <random>
#include <stdexcept>
#include <thread>
#include <vector>

#include "events/umockdev_agent.h"

namespace plugscope {
namespace {

using test::UmockdevAgent;
using namespace std::chrono_literals;

std::filesystem::path gRoot;
// One agent for every repetition; ended by main before the test bed's
// folder goes.
std::unique_ptr<UmockdevAgent> gAgent;

UmockdevAgent& agent() {
  if (!gAgent) {
    gAgent = std::make_unique<UmockdevAgent>(PLUGSCOPE_AGENT, gRoot / "agent");
    if (!gAgent->waitUntilListening(10s)) throw std::runtime_error("the agent did not start");
  }
  return *gAgent;
}

void BM_EventToPublished(benchmark::State& state) {
  UmockdevAgent& live = agent();
  static std::mt19937 random(20);
  static int step = 0;
  for (auto _ : state) {
    std::this_thread::sleep_for(std::chrono::milliseconds(random() % 2000));
    const bool plug = !live.plugged();
    const long stamp = live.reloads();
    // Unplugs alternate between the partner's "remove" and the port's "change".
    const auto emitted = plug ? live.plug() : live.unplug(step++ % 4 == 1);
    const auto shown = UmockdevAgent::waitFor(emitted, 3000ms, [&] { return live.connected() == plug; });
    const auto reloaded = UmockdevAgent::waitFor(emitted, 3000ms, [&] { return live.reloads() > stamp; });
    if (!shown || !reloaded) {
      state.SkipWithError("the change was not published within 3 s");
      break;
    }
    state.SetIterationTime(std::chrono::duration<double>(*shown).count());
    state.counters["reload_ms"] = std::chrono::duration<double, std::milli>(*reloaded).count();
  }
}
BENCHMARK(BM_EventToPublished)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->Repetitions(20)
    ->ComputeStatistics("max", [](const std::vector<double>& v) {
      return *std::max_element(v.begin(), v.end());
    });

}  // namespace
}  // namespace plugscope

int main(int argc, char** argv) {
  plugscope::gRoot = plugscope::test::runUnderUmockdev(argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  plugscope::gAgent.reset();
  std::error_code ignored;
  std::filesystem::remove_all(plugscope::gRoot, ignored);
  return 0;
}
