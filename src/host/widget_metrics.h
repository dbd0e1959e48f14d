#pragma once

#include "host/geometry.h"
#include "widget_api/widget_family.h"

namespace plugscope {

// How a desktop host frames a widget, in points.

// small 170×170, medium 364×170, large 364×382.
Size widgetSize(WidgetFamily family);

// Pixels per point in the pictures we draw.
inline constexpr double kRenderScale = 2;
// The host's content margins: space between the widget's edge and its
// content, on every side.
inline constexpr double kContentMargin = 16;
// Radius of the rounded corners of the widget's container.
inline constexpr double kContainerCornerRadius = 20;
// The view system's defaults: spacing between stack children, and the
// shortest a spacer without a minimum length of its own becomes.
inline constexpr double kDefaultStackSpacing = 8;
inline constexpr double kDefaultSpacerMinLength = 8;
// Space between a label's symbol and its text, as a fraction of the
// label's font size.
inline constexpr double kLabelSpacingPerPoint = 0.4;
// A shape offered no size in some direction takes this much there.
inline constexpr double kShapeDefaultLength = 10;

}  // namespace plugscope
