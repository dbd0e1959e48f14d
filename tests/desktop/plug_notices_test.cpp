#include "desktop/plug_notices.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "widget/cable_texts.h"
#include "widget/cable_widget.h"
#include "widget/hint_sentence.h"

namespace plugscope {
namespace {

PortStatus port(int number, bool connected) {
  PortStatus p;
  p.id = "Port-USB-C@" + std::to_string(number);
  p.number = number;
  p.connected = connected;
  return p;
}

TEST(PlugNotices, PortsThatHaveSomethingAttachedNowAndDidNotBefore) {
  Snapshot before{{port(1, false), port(2, true), port(3, false), port(4, false), port(5, true),
                   port(6, false)},
                  std::nullopt,
                  0};
  Snapshot after = before;
  auto& dock = after.ports[2];  // nothing → a dock with speed and details
  dock.connected = true;
  dock.device = "Harbor TB4 Dock";
  dock.speed = "40 Gbps";
  dock.protocols = {"Thunderbolt", "USB 3"};
  dock.smartCable = true;
  auto& bare = after.ports[3];  // nothing → something unnamed, no speed
  bare.connected = true;
  bare.speed = "";
  after.ports[4].connected = false;       // unplugged: no notice
  after.ports.push_back(port(7, true));   // a port that appears with something attached
  after.ports.push_back(port(8, false));  // a port that appears empty: no notice

  const UntranslatedStrings english;
  const CableTexts texts(english);
  const std::vector<PlugNotice> expected = {
      {"plugged-Port-USB-C@3",
       {"USB-C 3: Harbor TB4 Dock \u00b7 40 Gbps", "Thunderbolt, USB 3 \u00b7 Smart cable"}},
      {"plugged-Port-USB-C@4", {"USB-C 4: Connected", ""}},
      {"plugged-Port-USB-C@7", {"USB-C 7: Connected", ""}},
  };
  EXPECT_EQ(plugNotices(before, after, texts), expected);
  EXPECT_TRUE(plugNotices(after, after, texts).empty());
  // The first snapshot after launch announces nothing.
  EXPECT_TRUE(plugNotices(std::nullopt, after, texts).empty());
}

// The cable widget's words and sentences, untranslated; asked for nothing else.
class SpeakingWidget final : public Widget {
 public:
  const WidgetConfiguration& configuration() const override { return cableWidgetConfiguration(); }
  const TimelineProvider& provider() const override { std::abort(); }
  ViewNode body(const CableEntry&, WidgetFamily) const override { std::abort(); }
  const StringTable& strings() const override { return english_; }
  const WidgetTexts& texts() const override { return texts_; }
  std::string hintSentence(const AdviceEntry& entry) const override {
    return plugscope::hintSentence(entry, english_);
  }

 private:
  UntranslatedStrings english_;
  CableTexts texts_{english_};
};

AdviceEntry hint(std::int64_t port, const char* id, std::vector<AdviceValue> values = {}) {
  return {port, id, std::move(values), "English text that hosts never show"};
}

// Advice compared with the advice before: a (port, hint) that is new is
// announced under its port's line with the widget's sentence; the same
// pair with other values is not new; a hint the widget cannot say is left
// out; nothing is new in the first advice.
TEST(HintNotices, HintsTheAdviceBeforeDidNotGive) {
  const SpeakingWidget widget;
  Snapshot snapshot{{port(1, false), port(3, true)}, std::nullopt, 0};
  snapshot.ports[1].device = "Harbor TB4 Dock";
  const AdviceEntry noVideo = hint(3, "cable-no-video");
  const AdviceEntry weak = hint(1, "charger-too-weak", {{"offerWatts", 45}, {"needWatts", 96}});
  const AdviceEntry weaker = hint(1, "charger-too-weak", {{"offerWatts", 30}, {"needWatts", 96}});
  const AdviceEntry unknown = hint(3, "cable-made-of-cheese");
  const AdviceEntry elsewhere = hint(9, "load-exceeds-charger");
  struct Row {
    const char* name;
    std::optional<std::vector<AdviceEntry>> previous;
    std::vector<AdviceEntry> current;
    std::vector<PlugNotice> expected;
  };
  const Row rows[] = {
      {"the first advice", std::nullopt, {noVideo, weak}, {}},
      {"nothing new", std::vector{noVideo}, {noVideo}, {}},
      {"a hint on another port",
       std::vector{noVideo},
       {weak, noVideo},
       {{"hint-1-charger-too-weak",
         {"USB-C 1 \u2014 Nothing plugged in",
          "The charger gives 45 W; this laptop asks for up to 96 W."}}}},
      {"the same hint with other values", std::vector{weak}, {weaker}, {}},
      {"another hint on the same port",
       std::vector{weak},
       {weak, noVideo},
       {{"hint-3-cable-no-video",
         {"USB-C 3 \u2014 Harbor TB4 Dock",
          "This cable cannot carry a display signal; use a USB 3 or Thunderbolt cable."}}}},
      {"a hint the widget cannot say", std::vector<AdviceEntry>{}, {unknown}, {}},
      {"a port the snapshot lacks",
       std::vector<AdviceEntry>{},
       {elsewhere},
       {{"hint-9-load-exceeds-charger",
         {"USB-C 9", "Not charging: the laptop uses more than the charger gives."}}}},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(hintNotices(row.previous, row.current, snapshot, widget), row.expected) << row.name;
  }
}

}  // namespace
}  // namespace plugscope
