#include "host/host_session.h"

#include "host/reload_schedule.h"

#include <algorithm>
#include <optional>

#include "host/hint_lines.h"
#include "host/terminal_renderer.h"

namespace plugscope {
namespace {

// The entry current at `now`: the latest one dated no later than now, else
// the earliest.
const CableEntry* currentEntry(const Timeline& timeline, PointInTime now) {
  const CableEntry* best = nullptr;
  for (const auto& entry : timeline.entries) {
    if (entry.date.seconds <= now.seconds && (!best || entry.date.seconds >= best->date.seconds)) {
      best = &entry;
    }
  }
  if (best) return best;
  for (const auto& entry : timeline.entries) {
    if (!best || entry.date.seconds < best->date.seconds) best = &entry;
  }
  return best;
}

}  // namespace

HostSession::HostSession(const Widget& widget, const WidgetRenderer& renderer, const Clock& clock,
                         ReloadRequests& requests, std::ostream& out, HostOptions options,
                         const HintSource* hints)
    : widget_(widget),
      renderer_(renderer),
      clock_(clock),
      requests_(requests),
      out_(out),
      options_(options),
      hints_(hints) {}

HostedEntry requestEntry(const Widget& widget, const Clock& clock, WidgetFamily family,
                         bool preview) {
  const TimelineProvider& provider = widget.provider();
  const TimelineContext context{family, preview};
  std::optional<CableEntry> entry;
  std::optional<PointInTime> next;
  if (preview) {
    provider.getSnapshot(context, [&](const CableEntry& given) { entry = given; });
  } else {
    provider.getTimeline(context, [&](const Timeline& timeline) {
      if (const CableEntry* current = currentEntry(timeline, clock.now())) entry = *current;
      next = timeline.policy.after;
    });
  }
  // A provider that gave nothing to draw still gets its placeholder drawn.
  if (!entry) entry = provider.placeholder(context);

  const PointInTime now = clock.now();
  const double earliest = now.seconds + HostSession::kMinimumWaitSeconds;
  const double wanted = next ? next->seconds : now.seconds + HostSession::kDefaultReloadSeconds;
  return {std::move(*entry), PointInTime{std::max(wanted, earliest)}};
}

PointInTime HostSession::renderOnce() {
  const HostedEntry hosted = requestEntry(widget_, clock_, options_.family, options_.preview);
  const ViewNode root = widget_.body(hosted.entry, options_.family);
  if (options_.clearScreen) out_ << kClearScreen;
  renderer_.render(root, options_.family, widget_.strings(), widget_.texts(), out_);
  if (hints_) {
    const int columns = terminalBoxSize(options_.family).columns;
    for (const std::string& line :
         terminalHintLines(widget_, hints_->hintsFor(hosted.entry.snapshot), columns)) {
      out_ << line << '\n';
    }
  }
  if (!options_.once && !options_.outputIsTerminal) out_ << kRenderSeparator << '\n';
  out_.flush();
  return hosted.next;
}

bool HostSession::run() {
  while (out_) {
    const PointInTime next = renderOnce();
    if (options_.once || !out_) break;
    if (!waitForReload(requests_, clock_, next)) break;
  }
  return static_cast<bool>(out_);
}

}  // namespace plugscope
