#pragma once

#include <string>
#include <vector>

#include "shared/advice.h"
#include "widget_api/widget_extension.h"

namespace plugscope {

// What a terminal host prints under the widget's box: for each hint the
// widget can say, "USB-C N: " and its sentence in the user's language,
// made terminal-safe (a device's name cannot bring escape sequences) and
// wrapped to `columns`. Hints the widget gives no sentence for are left out.
std::vector<std::string> terminalHintLines(const Widget& widget,
                                           const std::vector<AdviceEntry>& hints, int columns);

}  // namespace plugscope
