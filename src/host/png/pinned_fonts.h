#pragma once

#include <string>
#include <vector>

namespace plugscope {

// The font files our pictures are drawn with, from Debian's packages:
// Inter (fonts-inter) in the four weights the widget uses, then DejaVu
// Sans (fonts-dejavu-core) for characters Inter lacks. Their directories
// are fixed when the program is built.
std::vector<std::string> pinnedFontFiles();

}  // namespace plugscope
