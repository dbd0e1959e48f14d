#include "host/host_session.h"

#include <gtest/gtest.h>

#include <deque>
#include <sstream>

#include "widget/cable_widget.h"
#include "widget/sample_snapshot.h"
#include "widget_test_support.h"

namespace plugscope {
namespace {

class ManualClock final : public Clock {
 public:
  PointInTime now() const override { return {seconds}; }
  double seconds = 1000;
};

// Gives a timeline of one entry per request, the snapshot's taken counting
// the requests, with the reload date `reloadIn` seconds after now.
class CountingProvider final : public TimelineProvider {
 public:
  explicit CountingProvider(const Clock& clock) : clock_(clock) {}
  CableEntry placeholder(const TimelineContext&) const override {
    ++placeholders;
    return {clock_.now(), makeSampleSnapshot({-1})};
  }
  void getSnapshot(const TimelineContext& context,
                   const std::function<void(const CableEntry&)>& completion) const override {
    contexts.push_back(context);
    ++snapshots;
    completion({clock_.now(), Snapshot{{}, std::nullopt, {double(snapshots)}}});
  }
  void getTimeline(const TimelineContext& context,
                   const std::function<void(const Timeline&)>& completion) const override {
    contexts.push_back(context);
    ++timelines;
    if (silent) return;  // a faulty provider that never completes
    const PointInTime now = clock_.now();
    completion(Timeline{{{now, Snapshot{{}, std::nullopt, {double(timelines)}}}},
                        {{now.seconds + reloadIn}}});
  }

  double reloadIn = 300;
  bool silent = false;
  mutable int placeholders = 0;
  mutable int snapshots = 0;
  mutable int timelines = 0;
  mutable std::vector<TimelineContext> contexts;

 private:
  const Clock& clock_;
};

// Writes one line per render naming the snapshot's taken, so that tests see
// which entry was drawn.
class RecordingRenderer final : public WidgetRenderer {
 public:
  void render(const ViewNode& root, WidgetFamily family, const StringTable&, const WidgetTexts&,
              std::ostream& out) const override {
    families.push_back(family);
    out << "render " << root.children.size() << "\n";
  }
  mutable std::vector<WidgetFamily> families;
};

// Answers waits from a script; a timeout moves the clock by the time
// waited, a request by `requestAfter` seconds. An empty script closes.
class ScriptedRequests final : public ReloadRequests {
 public:
  explicit ScriptedRequests(ManualClock& clock) : clock_(clock) {}
  Wait waitFor(double seconds) override {
    waits.push_back(seconds);
    if (script.empty()) return Wait::closed;
    const Wait next = script.front();
    script.pop_front();
    clock_.seconds += next == Wait::timedOut ? seconds : requestAfter;
    return next;
  }
  std::deque<Wait> script;
  std::vector<double> waits;
  double requestAfter = 7;

 private:
  ManualClock& clock_;
};

// Hints for the snapshots of one taken only, recording what it was asked.
class FixedHints final : public HintSource {
 public:
  std::optional<std::vector<AdviceEntry>> adviceFor(const Snapshot& drawn) const override {
    asked.push_back(drawn.taken.seconds);
    if (drawn.taken.seconds != forTaken) return std::nullopt;
    return hints;
  }
  double forTaken = 1;
  std::vector<AdviceEntry> hints;
  mutable std::vector<double> asked;
};

struct Host {
  ManualClock clock;
  CountingProvider provider{clock};
  test::MapStrings strings;
  CableWidget widget{provider, strings};
  RecordingRenderer renderer;
  ScriptedRequests requests{clock};
  std::ostringstream out;

  bool run(HostOptions options) {
    return HostSession(widget, renderer, clock, requests, out, options).run();
  }
};

using Wait = ReloadRequests::Wait;

TEST(HostSession, OnceRendersOneTimelineEntryWithoutSeparator) {
  Host host;
  EXPECT_TRUE(host.run({WidgetFamily::large, true, false, false, false}));
  EXPECT_EQ(host.provider.timelines, 1);
  EXPECT_EQ(host.out.str(), "render 3\n");  // header, message, spacer
  EXPECT_TRUE(host.requests.waits.empty());
  EXPECT_EQ(host.renderer.families, std::vector<WidgetFamily>{WidgetFamily::large});
  ASSERT_EQ(host.provider.contexts.size(), 1u);
  EXPECT_FALSE(host.provider.contexts[0].isPreview);
  EXPECT_EQ(host.provider.contexts[0].family, WidgetFamily::large);
}

TEST(HostSession, HintsAboutTheDrawnSnapshotFollowTheDrawingWrappedToTheBox) {
  Host host;
  FixedHints hints;
  hints.hints = {{2, "load-exceeds-charger", {}, "ignored"},
                 {3, "unknown-hint", {}, "ignored"},
                 {1, "cable-no-video", {}, {}}};
  const HostOptions options{WidgetFamily::small, true, false, false, false};
  ASSERT_TRUE(HostSession(host.widget, host.renderer, host.clock, host.requests, host.out, options,
                          &hints)
                  .run());
  EXPECT_EQ(hints.asked, std::vector<double>{1});
  // The small box is 26 columns wide; a hint the widget cannot say is left out.
  EXPECT_EQ(host.out.str(),
            "render 3\n"
            "USB-C 2: Not charging: the\n"
            "laptop uses more than the\n"
            "charger gives.\n"
            "USB-C 1: This cable cannot\n"
            "carry a display signal;\n"
            "use a USB 3 or Thunderbolt\n"
            "cable.\n");

  // Advice of another snapshot, and a session without hints, print none.
  Host other;
  hints.forTaken = 2;
  ASSERT_TRUE(HostSession(other.widget, other.renderer, other.clock, other.requests, other.out,
                          options, &hints)
                  .run());
  EXPECT_EQ(other.out.str(), "render 3\n");
}

TEST(AdviceReader, HintsOnlyForTheSnapshotOfTheSameTaken) {
  const Advice advice{{5}, {{1, "cable-no-video", {}, "t"}}};
  const Snapshot drawn{{}, std::nullopt, {5}};
  EXPECT_EQ(hintsMatching(advice, drawn), advice.entries);
  EXPECT_EQ(hintsMatching(advice, Snapshot{{}, std::nullopt, {5.000001}}), std::nullopt);
  EXPECT_EQ(hintsMatching(std::nullopt, drawn), std::nullopt);
  // Advice about the drawn snapshot that holds no hints is still advice.
  EXPECT_EQ(hintsMatching(Advice{{5}, {}}, drawn), std::vector<AdviceEntry>{});
}

TEST(HostSession, AsksAgainAtTheReloadDateAndOnEveryRequest) {
  Host host;
  // Wait for the date, in slices; a request comes; then the requests end.
  host.requests.script = {Wait::timedOut, Wait::timedOut, Wait::requested};
  host.provider.reloadIn = 100;
  EXPECT_TRUE(host.run({}));
  EXPECT_EQ(host.provider.timelines, 3);
  // First render at 1000, reload at 1100: waits of 60 then 40 seconds; the
  // second render at 1100 waits for 1200 and is cut short by the request.
  EXPECT_EQ(host.requests.waits, (std::vector<double>{60, 40, 60, 60}));
  EXPECT_EQ(host.out.str(), "render 3\n---\nrender 3\n---\nrender 3\n---\n");
}

TEST(HostSession, RendersOnATerminalAreNotSeparatedButMayClearTheScreen) {
  Host host;
  host.requests.script = {Wait::requested};
  HostOptions options;
  options.outputIsTerminal = true;
  options.clearScreen = true;
  EXPECT_TRUE(host.run(options));
  EXPECT_EQ(host.out.str(), std::string(kClearScreen) + "render 3\n" + kClearScreen + "render 3\n");
}

TEST(HostSession, AReloadDateInThePastCannotMakeItSpin) {
  Host host;
  host.provider.reloadIn = -50;
  host.requests.script = {Wait::timedOut, Wait::timedOut};
  EXPECT_TRUE(host.run({}));
  EXPECT_EQ(host.requests.waits,
            (std::vector<double>{HostSession::kMinimumWaitSeconds, HostSession::kMinimumWaitSeconds,
                                 HostSession::kMinimumWaitSeconds}));
}

TEST(HostSession, PreviewAsksForTheGallerySnapshot) {
  Host host;
  EXPECT_TRUE(host.run({WidgetFamily::small, true, true, false, false}));
  EXPECT_EQ(host.provider.snapshots, 1);
  EXPECT_EQ(host.provider.timelines, 0);
  ASSERT_EQ(host.provider.contexts.size(), 1u);
  EXPECT_TRUE(host.provider.contexts[0].isPreview);
}

TEST(HostSession, AProviderThatNeverCompletesGetsItsPlaceholderDrawn) {
  Host host;
  host.provider.silent = true;
  EXPECT_TRUE(host.run({WidgetFamily::medium, true, false, false, false}));
  EXPECT_EQ(host.provider.placeholders, 1);
  EXPECT_EQ(host.out.str(), "render 4\n");  // the sample: header, two rows, spacer
}

TEST(HostSession, StopsWhenTheOutputFails) {
  Host host;
  host.requests.script = {Wait::requested, Wait::requested};
  host.out.setstate(std::ios::badbit);
  EXPECT_FALSE(host.run({}));
  EXPECT_EQ(host.provider.timelines, 0);
}

// A timeline of entries at 990, 1000 and 1010 holding one, two and three
// ports, whatever the clock says.
class ThreeEntryProvider final : public TimelineProvider {
 public:
  CableEntry placeholder(const TimelineContext&) const override { return {}; }
  void getSnapshot(const TimelineContext&,
                   const std::function<void(const CableEntry&)>&) const override {}
  void getTimeline(const TimelineContext&,
                   const std::function<void(const Timeline&)>& completion) const override {
    Timeline timeline;
    for (int ports = 1; ports <= 3; ++ports) {
      Snapshot snapshot;
      for (int n = 1; n <= ports; ++n) snapshot.ports.push_back(test::port(n, false));
      timeline.entries.push_back({{980.0 + 10 * ports}, snapshot});
    }
    timeline.policy.after = {2000};
    completion(timeline);
  }
};

TEST(HostSession, DrawsTheEntryDatedLatestAtOrBeforeNowElseTheFirst) {
  struct Row {
    double now;
    const char* drawn;  // header, the entry's ports, spacer
  };
  const Row rows[] = {
      {985, "render 3\n"},     // before every entry: the first
      {990, "render 3\n"},     // at the first
      {999.5, "render 3\n"},   // between the first and the second
      {1000, "render 4\n"},    // exactly at the second
      {1005, "render 4\n"},    // between the second and the third
      {1010, "render 5\n"},    // at the third
      {1500, "render 5\n"},    // after all of them
  };
  for (const Row& row : rows) {
    ManualClock clock;
    clock.seconds = row.now;
    const ThreeEntryProvider provider;
    const test::MapStrings strings;
    const CableWidget widget{provider, strings};
    const RecordingRenderer renderer;
    ScriptedRequests requests{clock};
    std::ostringstream out;
    HostSession(widget, renderer, clock, requests, out, {WidgetFamily::large, true, false, false, false})
        .run();
    EXPECT_EQ(out.str(), row.drawn) << "at " << row.now;
  }
}

}  // namespace
}  // namespace plugscope
