#include "host/png/pinned_fonts.h"

namespace plugscope {

std::vector<std::string> pinnedFontFiles() {
  const std::string inter = PLUGSCOPE_INTER_FONT_DIR;
  const std::string dejavu = PLUGSCOPE_DEJAVU_FONT_DIR;
  return {
      inter + "/Inter-Regular.otf", inter + "/Inter-Medium.otf", inter + "/Inter-SemiBold.otf",
      inter + "/Inter-Bold.otf",    dejavu + "/DejaVuSans.ttf",  dejavu + "/DejaVuSans-Bold.ttf",
  };
}

std::string unusableFontsMessage(const PangoText& text) {
  if (text.usable()) return {};
  return "cannot load the font file " +
         (text.missingFiles().empty() ? std::string("(none)") : text.missingFiles().front());
}

}  // namespace plugscope
