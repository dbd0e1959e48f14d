#pragma once

#include <cairo.h>

#include <memory>
#include <string>
#include <vector>

#include "host/text_measurer.h"

namespace plugscope {

// Text set with Pango in the given font files and in nothing else the
// machine has installed, so that every machine measures and draws the
// same glyphs. The first file's family is asked for; the others serve
// characters it lacks. Hinting is off, so that sizes measured in points
// hold at every scale. Not for use from several threads at once.
class PangoText final : public TextMeasurer {
 public:
  explicit PangoText(const std::vector<std::string>& fontFiles);
  ~PangoText() override;
  PangoText(const PangoText&) = delete;
  PangoText& operator=(const PangoText&) = delete;

  // False when a font file could not be loaded; texts are then drawn in
  // whatever of them did load, or as empty boxes.
  bool usable() const { return usable_; }
  // The files that could not be loaded.
  const std::vector<std::string>& missingFiles() const { return missing_; }

  TextExtent measure(std::string_view text, const FontSpec& font,
                     std::optional<double> wrapWidth) const override;

  // Draws `text` with its top left corner at (x, y) in `cairo`'s user
  // space, in its current source colour, laid out as measure() does.
  void draw(cairo_t* cairo, std::string_view text, const FontSpec& font,
            std::optional<double> wrapWidth, double x, double y) const;

 private:
  struct Handles;
  std::unique_ptr<Handles> handles_;
  bool usable_ = false;
  std::vector<std::string> missing_;
};

}  // namespace plugscope
