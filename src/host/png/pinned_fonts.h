#pragma once

#include <string>
#include <vector>

#include "host/png/pango_text.h"

namespace plugscope {

// The font files our pictures are drawn with, from Debian's packages:
// Inter (fonts-inter) in the four weights the widget uses, then DejaVu
// Sans (fonts-dejavu-core) for characters Inter lacks. Their directories
// are fixed when the program is built.
std::vector<std::string> pinnedFontFiles();

// One line naming the font file that `text` could not load, for a host to
// stop with; empty when `text` is usable.
std::string unusableFontsMessage(const PangoText& text);

}  // namespace plugscope
