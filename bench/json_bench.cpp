// Writing and reading the snapshot file's JSON for a machine with 16 ports.
#include <benchmark/benchmark.h>

#include "shared/snapshot_json.h"

namespace plugscope {
namespace {

Snapshot sixteenPorts() {
  Snapshot s;
  for (int n = 1; n <= 16; ++n) {
    PortStatus p;
    p.id = "Port-USB-C@" + std::to_string(n);
    p.number = n;
    p.connected = n % 2 == 0;
    p.protocols = {"Thunderbolt 4", "USB 3", "USB 2"};
    p.speed = "Up to 40 Gb/s";
    p.device = "Dock \"Pro\" / " + std::to_string(n);
    p.smartCable = true;
    p.usbPowerWatts = 4.5 * n;
    s.ports.push_back(p);
  }
  s.chargerWatts = 96;
  s.taken.seconds = 786123456.789;
  return s;
}

void BM_EncodeSnapshot16(benchmark::State& state) {
  const Snapshot s = sixteenPorts();
  std::size_t bytes = 0;
  for (auto _ : state) {
    auto json = encodeSnapshot(s);
    bytes = json->size();
    benchmark::DoNotOptimize(json);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes));
}
BENCHMARK(BM_EncodeSnapshot16);

void BM_DecodeSnapshot16(benchmark::State& state) {
  const std::string json = *encodeSnapshot(sixteenPorts());
  for (auto _ : state) {
    auto s = decodeSnapshot(json);
    benchmark::DoNotOptimize(s);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * json.size()));
}
BENCHMARK(BM_DecodeSnapshot16);

}  // namespace
}  // namespace plugscope

BENCHMARK_MAIN();
