// What one widget request costs the host, by stage: deciding and building
// the view tree for a fully loaded laptop, and drawing it in each format.
// A host redraws on every publication, so each stage should stay far below
// a millisecond.
#include <benchmark/benchmark.h>

#include <sstream>

#include "bench_support.h"
#include "scanner/port_scan.h"
#include "widget/cable_texts.h"
#include "widget/cable_widget_view.h"
#include "widget_api/string_table.h"
#include "host/terminal_renderer.h"
#include "host/tree_renderer.h"

namespace plugscope {
namespace {

CableEntry loadedLaptop() {
  const MemoryRegistry registry = bench::loadFixture("laptop-dock-display-charger.json");
  return CableEntry{{0}, scanPorts(registry, {0})};
}

void BM_BuildView(benchmark::State& state) {
  const CableEntry entry = loadedLaptop();
  for (auto _ : state) benchmark::DoNotOptimize(cableWidgetView(entry, WidgetFamily::large));
}
BENCHMARK(BM_BuildView);

void render(benchmark::State& state, const WidgetRenderer& renderer) {
  const CableEntry entry = loadedLaptop();
  const ViewNode root = cableWidgetView(entry, WidgetFamily::large);
  const UntranslatedStrings strings;
  const CableTexts texts(strings);
  for (auto _ : state) {
    std::ostringstream out;
    renderer.render(root, WidgetFamily::large, strings, texts, out);
    benchmark::DoNotOptimize(out.str());
  }
}

void BM_RenderAnsi(benchmark::State& state) { render(state, TerminalRenderer(true)); }
BENCHMARK(BM_RenderAnsi);

void BM_RenderText(benchmark::State& state) { render(state, TerminalRenderer(false)); }
BENCHMARK(BM_RenderText);

void BM_RenderTree(benchmark::State& state) { render(state, TreeRenderer()); }
BENCHMARK(BM_RenderTree);

}  // namespace
}  // namespace plugscope

BENCHMARK_MAIN();
