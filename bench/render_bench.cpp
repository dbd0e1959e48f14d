// Time to draw one widget: the layout pass alone (Pango measuring), and
// layout, painting and PNG encoding together, as the host does per render.
#include <benchmark/benchmark.h>

#include "bench_widgets.h"

#include <sstream>

#include "host/png/pango_text.h"
#include "host/png/pinned_fonts.h"
#include "host/png/png_encoding.h"
#include "host/png/png_renderer.h"
#include "host/widget_layout.h"
#include "widget/cable_widget_view.h"
#include "widget/sample_snapshot.h"

namespace {

using namespace plugscope;

void BM_LayoutWidget(benchmark::State& state) {
  const auto family = static_cast<WidgetFamily>(state.range(0));
  const ViewNode root = cableWidgetView(CableEntry{PointInTime{0}, bench::busyLaptop()}, family);
  const UntranslatedStrings strings;
  for (auto _ : state) {
    benchmark::DoNotOptimize(layoutWidget(root, family, strings, bench::texts(), bench::fonts()));
  }
}
BENCHMARK(BM_LayoutWidget)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMicrosecond);

void BM_RenderPng(benchmark::State& state) {
  const auto family = static_cast<WidgetFamily>(state.range(0));
  const ViewNode root = cableWidgetView(CableEntry{PointInTime{0}, bench::busyLaptop()}, family);
  const UntranslatedStrings strings;
  const PngRenderer renderer(bench::fonts(), Appearance::light);
  for (auto _ : state) {
    std::ostringstream out;
    renderer.render(root, family, strings, bench::texts(), out);
    benchmark::DoNotOptimize(out.str().size());
  }
}
BENCHMARK(BM_RenderPng)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

// Painting alone, without the PNG encoding.
void BM_Paint(benchmark::State& state) {
  const auto family = static_cast<WidgetFamily>(state.range(0));
  const ViewNode root = cableWidgetView(CableEntry{PointInTime{0}, bench::busyLaptop()}, family);
  const WidgetLayout layout =
      layoutWidget(root, family, UntranslatedStrings(), bench::texts(), bench::fonts());
  const PngRenderer renderer(bench::fonts(), Appearance::light);
  for (auto _ : state) {
    benchmark::DoNotOptimize(renderer.draw(layout));
  }
}
BENCHMARK(BM_Paint)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

// The PNG encoding alone.
void BM_EncodePng(benchmark::State& state) {
  const auto family = static_cast<WidgetFamily>(state.range(0));
  const ViewNode root = cableWidgetView(CableEntry{PointInTime{0}, bench::busyLaptop()}, family);
  const WidgetLayout layout =
      layoutWidget(root, family, UntranslatedStrings(), bench::texts(), bench::fonts());
  const CairoSurface surface = PngRenderer(bench::fonts(), Appearance::light).draw(layout);
  for (auto _ : state) {
    benchmark::DoNotOptimize(encodePng(surface.get()));
  }
}
BENCHMARK(BM_EncodePng)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
