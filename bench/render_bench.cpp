// Time to draw one widget: the layout pass alone (Pango measuring), and
// layout, painting and PNG encoding together, as the host does per render.
#include <benchmark/benchmark.h>

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

// Four ports, as a laptop with a dock, a display and a charger shows.
Snapshot busyLaptop() {
  Snapshot snapshot = makeSampleSnapshot(PointInTime{0});
  while (snapshot.ports.size() < 4) {
    PortStatus port = snapshot.ports.back();
    port.number += 1;
    port.id = "Port-USB-C@" + std::to_string(port.number);
    snapshot.ports.push_back(port);
  }
  return snapshot;
}

const PangoText& fonts() {
  static const PangoText text(pinnedFontFiles());
  return text;
}

void BM_LayoutWidget(benchmark::State& state) {
  const auto family = static_cast<WidgetFamily>(state.range(0));
  const ViewNode root = cableWidgetView(CableEntry{PointInTime{0}, busyLaptop()}, family);
  const UntranslatedStrings strings;
  for (auto _ : state) {
    benchmark::DoNotOptimize(layoutWidget(root, family, strings, fonts()));
  }
}
BENCHMARK(BM_LayoutWidget)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMicrosecond);

void BM_RenderPng(benchmark::State& state) {
  const auto family = static_cast<WidgetFamily>(state.range(0));
  const ViewNode root = cableWidgetView(CableEntry{PointInTime{0}, busyLaptop()}, family);
  const UntranslatedStrings strings;
  const PngRenderer renderer(fonts(), Appearance::light);
  for (auto _ : state) {
    std::ostringstream out;
    renderer.render(root, family, strings, out);
    benchmark::DoNotOptimize(out.str().size());
  }
}
BENCHMARK(BM_RenderPng)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

// Painting alone, without the PNG encoding.
void BM_Paint(benchmark::State& state) {
  const auto family = static_cast<WidgetFamily>(state.range(0));
  const ViewNode root = cableWidgetView(CableEntry{PointInTime{0}, busyLaptop()}, family);
  const WidgetLayout layout = layoutWidget(root, family, UntranslatedStrings(), fonts());
  const PngRenderer renderer(fonts(), Appearance::light);
  for (auto _ : state) {
    benchmark::DoNotOptimize(renderer.draw(layout));
  }
}
BENCHMARK(BM_Paint)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

// The PNG encoding alone.
void BM_EncodePng(benchmark::State& state) {
  const auto family = static_cast<WidgetFamily>(state.range(0));
  const ViewNode root = cableWidgetView(CableEntry{PointInTime{0}, busyLaptop()}, family);
  const WidgetLayout layout = layoutWidget(root, family, UntranslatedStrings(), fonts());
  const CairoSurface surface = PngRenderer(fonts(), Appearance::light).draw(layout);
  for (auto _ : state) {
    benchmark::DoNotOptimize(encodePng(surface.get()));
  }
}
BENCHMARK(BM_EncodePng)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
