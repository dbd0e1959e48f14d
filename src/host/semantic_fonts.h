#pragma once

#include <optional>

#include "host/text_measurer.h"
#include "widget_api/view_node.h"

namespace plugscope {

// The desktop's semantic text styles as concrete fonts:
//
//   style        size  weight
//   headline     13    semibold
//   body         13    regular   (what text without a font gets)
//   callout      12    regular
//   subheadline  11    regular
//   caption      10    regular
//   caption2     10    regular
//
// An explicit weight replaces the style's own.
FontSpec fontFor(TextStyle style, std::optional<FontWeight> weight, bool monospacedDigits);

inline constexpr TextStyle kDefaultTextStyle = TextStyle::body;

}  // namespace plugscope
