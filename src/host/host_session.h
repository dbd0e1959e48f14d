#pragma once

#include <ostream>

#include "host/advice_reader.h"
#include "shared/clock.h"
#include "host/reload_requests.h"
#include "widget_api/widget_extension.h"
#include "host/widget_renderer.h"

namespace plugscope {

struct HostOptions {
  WidgetFamily family = WidgetFamily::medium;
  bool once = false;              // render one entry, then stop
  bool preview = false;           // what the gallery shows: getSnapshot with isPreview
  bool outputIsTerminal = false;  // redraw in place instead of appending renders
  bool clearScreen = false;       // on a terminal, clear it before each render
};

// One answer of the provider as a host uses it: the entry to draw, and
// when to ask again.
struct HostedEntry {
  CableEntry entry;
  PointInTime next;
};

// Asks the provider once (getSnapshot for a preview, else getTimeline and
// its entry current now; the placeholder when it gave nothing). `next` is
// the timeline's reload date, or kDefaultReloadSeconds from now without
// one, and never sooner than kMinimumWaitSeconds from now.
HostedEntry requestEntry(const Widget& widget, const Clock& clock, WidgetFamily family,
                         bool preview);

// A widget host's work for one widget: ask the provider, draw the entry,
// and ask again at the timeline's reload date or at once when a reload
// request arrives. With `hints`, the hints about the drawn snapshot follow
// the drawing as terminal lines (terminalHintLines, the box's width).
// Single-threaded; everything passed in must outlive it.
class HostSession {
 public:
  // The shortest wait between two requests to the provider, so that a
  // reload date in the past cannot make the host spin.
  static constexpr double kMinimumWaitSeconds = 1.0;
  // Without a timeline (a preview, or a provider that gave nothing) the
  // host asks again after this long.
  static constexpr double kDefaultReloadSeconds = 300.0;

  HostSession(const Widget& widget, const WidgetRenderer& renderer, const Clock& clock,
              ReloadRequests& requests, std::ostream& out, HostOptions options,
              const HintSource* hints = nullptr);

  // Asks the provider once and draws what it gives. Returns when to ask
  // again.
  PointInTime renderOnce();

  // renderOnce, then (unless `once`) again at each reload date or request,
  // until the requests are closed. False when writing the output failed.
  bool run();

 private:
  const Widget& widget_;
  const WidgetRenderer& renderer_;
  const Clock& clock_;
  ReloadRequests& requests_;
  std::ostream& out_;
  HostOptions options_;
  const HintSource* hints_;
};

// The terminal control sequence that homes the cursor and clears the screen.
inline constexpr const char* kClearScreen = "\x1b[H\x1b[2J";
// Follows each render written to something that is not a terminal.
inline constexpr const char* kRenderSeparator = "---";

}  // namespace plugscope
