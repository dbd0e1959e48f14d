#pragma once

#include <string_view>

#include "host/geometry.h"
#include "host/text_measurer.h"
#include "widget_api/widget_family.h"

namespace plugscope {

// What a widget is laid out for: its size there, and how the view tree's
// lengths (given in points), texts and symbols measure on it. One layout
// pass serves every renderer; each works in its surface's own units, points
// for a picture and character cells for a terminal.
class LayoutSurface {
 public:
  virtual ~LayoutSurface() = default;
  virtual Size widgetSize(WidgetFamily family) const = 0;
  // The host's margin between the widget's edge and its content, every side.
  virtual double contentMargin() const = 0;
  // A length of the view tree, in points, as a width and as a height.
  virtual double width(double points) const = 0;
  virtual double height(double points) const = 0;
  virtual const TextMeasurer& text() const = 0;
  virtual Size symbolSize(std::string_view symbol, const FontSpec& font) const = 0;
  // Between a label's symbol and its text.
  virtual double labelSpacing(const FontSpec& font) const = 0;
};

// Points, as a desktop frames its widgets (widget_metrics.h): symbols as
// high as their font, texts measured by `text`, which must outlive it.
class PointSurface final : public LayoutSurface {
 public:
  explicit PointSurface(const TextMeasurer& text) : text_(text) {}

  Size widgetSize(WidgetFamily family) const override;
  double contentMargin() const override;
  double width(double points) const override { return points; }
  double height(double points) const override { return points; }
  const TextMeasurer& text() const override { return text_; }
  Size symbolSize(std::string_view symbol, const FontSpec& font) const override;
  double labelSpacing(const FontSpec& font) const override;

 private:
  const TextMeasurer& text_;
};

}  // namespace plugscope
