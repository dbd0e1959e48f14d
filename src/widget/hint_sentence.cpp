#include "widget/hint_sentence.h"

#include <string_view>

namespace plugscope {
namespace {

struct Sentence {
  std::string_view hint;
  // For hints with several sentences: the value that chooses one.
  std::string_view choice;
  std::string_view chosenBy;
  std::string_view text;  // the key; "{name}" stands for a value, which it needs
};

// Keys of the catalogue; their translations keep every "{name}".
constexpr Sentence kSentences[] = {
    {"cable-limits-speed", {}, {},
     "The cable limits this port to {cableMbps}; the device can do {deviceMbps}."},
    {"cable-no-video", {}, {},
     "This cable cannot carry a display signal; use a USB 3 or Thunderbolt cable."},
    {"cable-limits-usb4", {}, {},
     "The cable limits this link to {mode}; use a USB4 or Thunderbolt 4 cable."},
    {"port-lacks-mode", {}, {}, "This port cannot do {mode}; USB-C {otherPort} can."},
    {"device-below-its-speed", "blame", "cable",
     "{device} runs at {nowMbps} but can do {bestMbps}; try another cable."},
    {"device-below-its-speed", "blame", "port",
     "{device} runs at {nowMbps} but can do {bestMbps}; try another port."},
    {"device-below-its-speed", "blame", "cable-or-port",
     "{device} runs at {nowMbps} but can do {bestMbps}; try another cable or port."},
    {"charger-too-weak", {}, {},
     "The charger gives {offerWatts} W; this laptop asks for up to {needWatts} W."},
    {"charging-slowly", "reason", "firmware",
     "Charging slowly: the firmware reports a weak charger."},
    {"charging-slowly", "reason", "rating", "Charging slowly: the charger gives only {watts} W."},
    {"cable-caps-charging", {}, {},
     "The cable carries at most 3 A (60 W); the charger could give {offerWatts} W."},
    {"load-exceeds-charger", {}, {},
     "Not charging: the laptop uses more than the charger gives."},
};

// The words a "mode" value names, as keys of the catalogue.
struct ModeWord {
  std::string_view value;
  std::string_view key;
};
constexpr ModeWord kModeWords[] = {
    {"usb2", "USB 2"},           {"usb3", "USB 3"},   {"thunderbolt3", "Thunderbolt 3"},
    {"displayport", "DisplayPort"}, {"usb4", "USB4"}, {"thunderbolt", "Thunderbolt"},
};

// Every "{name}" of the English sentence names one of the entry's values.
bool hasEveryValue(std::string_view text, const AdviceEntry& entry) {
  for (std::size_t open = text.find('{'); open != std::string_view::npos;
       open = text.find('{', open + 1)) {
    const std::size_t close = text.find('}', open);
    if (close == std::string_view::npos) break;
    const std::string_view name = text.substr(open + 1, close - open - 1);
    bool found = false;
    for (const AdviceValue& value : entry.values) found = found || value.name == name;
    if (!found) return false;
  }
  return true;
}

}  // namespace

std::string hintSentence(const AdviceEntry& entry, const StringTable& strings) {
  const Sentence* sentence = nullptr;
  for (const Sentence& s : kSentences) {
    if (s.hint != entry.hint) continue;
    if (!s.chosenBy.empty()) {
      const std::string* word = adviceWord(entry, s.choice);
      if (!word || *word != s.chosenBy) continue;
    }
    sentence = &s;
    break;
  }
  if (!sentence || !hasEveryValue(sentence->text, entry)) return {};
  bool unknownWord = false;
  std::string text = fillAdviceTemplate(
      strings.lookup(sentence->text), entry,
      [&](std::string_view name, const std::string& word) -> std::string {
        if (name != "mode") return word;  // a device's own name
        for (const ModeWord& mode : kModeWords) {
          if (mode.value == word) return strings.lookup(mode.key);
        }
        unknownWord = true;
        return word;
      });
  return unknownWord ? std::string() : text;
}

}  // namespace plugscope
