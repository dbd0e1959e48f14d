// One redraw of the desktop host's window: its background and the laid-out
// widget painted through Cairo, at the window's scale factor (1 or 2), as
// the window's draw function does on every frame it is asked for. A
// reload (the provider's entry laid out again) is measured beside it.
// Target: a redraw of the large family within 10 ms of CPU time.
#include <benchmark/benchmark.h>

#include "bench_widgets.h"

#include "desktop/window_content.h"
#include "host/png/pinned_fonts.h"
#include "host/widget_metrics.h"
#include "widget/cable_widget_view.h"
#include "widget/sample_snapshot.h"

namespace {

using namespace plugscope;

void BM_WindowRedraw(benchmark::State& state) {
  const auto family = static_cast<WidgetFamily>(state.range(0));
  const double scale = static_cast<double>(state.range(1));
  const ViewNode root = cableWidgetView(CableEntry{PointInTime{0}, bench::busyLaptop()}, family);
  WindowContent content;
  content.layout =
      layoutWidget(root, family, UntranslatedStrings(), bench::texts(), bench::fonts());
  const Size size = widgetSize(family);
  cairo_surface_t* surface =
      cairo_image_surface_create(CAIRO_FORMAT_ARGB32, static_cast<int>(size.width * scale),
                                 static_cast<int>(size.height * scale));
  cairo_surface_set_device_scale(surface, scale, scale);
  for (auto _ : state) {
    cairo_t* cairo = cairo_create(surface);
    paintWindowContent(cairo, content, bench::fonts(), Appearance::dark);
    cairo_destroy(cairo);
    cairo_surface_flush(surface);
  }
  cairo_surface_destroy(surface);
}
BENCHMARK(BM_WindowRedraw)
    ->ArgsProduct({{0, 1, 2}, {1, 2}})
    ->ArgNames({"family", "scale"})
    ->Unit(benchmark::kMillisecond);

void BM_WindowReloadLayout(benchmark::State& state) {
  const CableEntry entry{PointInTime{0}, bench::busyLaptop()};
  const UntranslatedStrings strings;
  for (auto _ : state) {
    const ViewNode root = cableWidgetView(entry, WidgetFamily::large);
    benchmark::DoNotOptimize(
        layoutWidget(root, WidgetFamily::large, strings, bench::texts(), bench::fonts()));
    benchmark::DoNotOptimize(accessibleDescription(root, strings));
  }
}
BENCHMARK(BM_WindowReloadLayout)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
