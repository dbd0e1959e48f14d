// A hint as the widget says it: sentence chosen by id (and by the value
// that picks among several), values in place, words translated.
#include "widget/hint_sentence.h"

#include <gtest/gtest.h>

#include "widget_test_support.h"

namespace plugscope {
namespace {

AdviceValue n(const char* name, std::int64_t value) { return {name, value}; }
AdviceValue w(const char* name, const char* value) { return {name, std::string(value)}; }

TEST(HintSentence, EachHintInEnglishFromItsIdAndValues) {
  struct Case {
    const char* name;
    AdviceEntry entry;
    const char* sentence;  // "" for none
  };
  const Case cases[] = {
      {"speeds", {1, "cable-limits-speed", {n("cableMbps", 10000), n("deviceMbps", 40000)}, "ignored"},
       "The cable limits this port to 10 Gb/s; the device can do 40 Gb/s."},
      {"mode word", {1, "cable-limits-usb4", {w("mode", "thunderbolt3")}, {}},
       "The cable limits this link to Thunderbolt 3; use a USB4 or Thunderbolt 4 cable."},
      {"mode and port", {1, "port-lacks-mode", {w("mode", "displayport"), n("otherPort", 2)}, {}},
       "This port cannot do DisplayPort; USB-C 2 can."},
      {"blame picks the sentence",
       {1, "device-below-its-speed",
        {w("device", "Portable SSD"), n("nowMbps", 480), n("bestMbps", 5000), w("blame", "cable-or-port")}, {}},
       "Portable SSD runs at 480 Mb/s but can do 5 Gb/s; try another cable or port."},
      {"reason picks the sentence", {1, "charging-slowly", {w("reason", "rating"), n("watts", 15)}, {}},
       "Charging slowly: the charger gives only 15 W."},
      {"no values", {1, "load-exceeds-charger", {}, {}},
       "Not charging: the laptop uses more than the charger gives."},
      {"unknown hint", {1, "cable-on-fire", {}, "The cable is on fire."}, ""},
      {"a value missing", {1, "charger-too-weak", {n("offerWatts", 45)}, {}}, ""},
      {"unknown reason", {1, "charging-slowly", {w("reason", "moon")}, {}}, ""},
      {"unknown mode", {1, "cable-limits-usb4", {w("mode", "usb9")}, {}}, ""},
  };
  const test::MapStrings english;
  for (const Case& c : cases) EXPECT_EQ(hintSentence(c.entry, english), c.sentence) << c.name;
}

TEST(HintSentence, TranslatedSentenceAndWordsKeepTheValues) {
  const test::MapStrings german(
      {{"The cable limits this link to {mode}; use a USB4 or Thunderbolt 4 cable.",
        "Das Kabel begrenzt diese Verbindung auf {mode}."},
       {"Thunderbolt 3", "TB 3"},
       {"{device} runs at {nowMbps} but can do {bestMbps}; try another port.",
        "{device}: {nowMbps} statt {bestMbps} {unknown}"}});
  EXPECT_EQ(hintSentence({1, "cable-limits-usb4", {w("mode", "thunderbolt3")}, {}}, german),
            "Das Kabel begrenzt diese Verbindung auf TB 3.");
  // A device's name is its own; a placeholder no value fills stays as written.
  EXPECT_EQ(hintSentence({1, "device-below-its-speed",
                          {w("device", "{mode}"), n("nowMbps", 480), n("bestMbps", 5000), w("blame", "port")},
                          {}},
                         german),
            "{mode}: 480 Mb/s statt 5 Gb/s {unknown}");
}

}  // namespace
}  // namespace plugscope
