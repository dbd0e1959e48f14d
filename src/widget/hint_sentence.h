#pragma once

#include <string>

#include "shared/advice.h"
#include "widget_api/string_table.h"

namespace plugscope {

// One hint as the widget says it: the hint's sentence looked up in
// `strings` (the English sentence is the key) with its values in place.
// Speeds read "480 Mb/s" or "10 Gb/s"; the words a hint carries (a mode, a
// reason, whom to blame) become translated words or choose the sentence,
// and a device's name stays as it is. Empty when the hint's id is unknown
// or a value it needs is missing or not one it knows.
std::string hintSentence(const AdviceEntry& entry, const StringTable& strings);

}  // namespace plugscope
