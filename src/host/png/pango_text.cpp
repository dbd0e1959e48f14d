#include "host/png/pango_text.h"

#include <fontconfig/fontconfig.h>
#include <pango/pangocairo.h>
#include <pango/pangofc-fontmap.h>

#include <cmath>

namespace plugscope {
namespace {

// Our first font's family; fontconfig falls back to the others.
constexpr const char* kFamily = "Inter";

PangoWeight pangoWeight(FontWeight weight) {
  switch (weight) {
    case FontWeight::regular: return PANGO_WEIGHT_NORMAL;
    case FontWeight::medium: return PANGO_WEIGHT_MEDIUM;
    case FontWeight::semibold: return PANGO_WEIGHT_SEMIBOLD;
    case FontWeight::bold: return PANGO_WEIGHT_BOLD;
  }
  return PANGO_WEIGHT_NORMAL;
}

struct GObjectUnref {
  void operator()(void* object) const { g_object_unref(object); }
};
using LayoutHandle = std::unique_ptr<PangoLayout, GObjectUnref>;

}  // namespace

struct PangoText::Handles {
  FcConfig* config = nullptr;
  PangoFontMap* fontMap = nullptr;
  PangoContext* context = nullptr;

  ~Handles() {
    if (context) g_object_unref(context);
    if (fontMap) g_object_unref(fontMap);
    if (config) FcConfigDestroy(config);
  }

  LayoutHandle layout(std::string_view text, const FontSpec& font,
                      std::optional<double> wrapWidth) const {
    LayoutHandle layout(pango_layout_new(context));
    pango_layout_set_text(layout.get(), text.data(), static_cast<int>(text.size()));

    PangoFontDescription* description = pango_font_description_new();
    pango_font_description_set_family_static(description, kFamily);
    pango_font_description_set_weight(description, pangoWeight(font.weight));
    pango_font_description_set_absolute_size(description, font.size * PANGO_SCALE);
    pango_layout_set_font_description(layout.get(), description);
    pango_font_description_free(description);

    if (font.monospacedDigits) {
      PangoAttrList* attributes = pango_attr_list_new();
      pango_attr_list_insert(attributes, pango_attr_font_features_new("tnum"));
      pango_layout_set_attributes(layout.get(), attributes);
      pango_attr_list_unref(attributes);
    }
    if (wrapWidth) {
      pango_layout_set_width(layout.get(), static_cast<int>(std::floor(*wrapWidth * PANGO_SCALE)));
      pango_layout_set_wrap(layout.get(), PANGO_WRAP_WORD_CHAR);
    }
    return layout;
  }
};

PangoText::PangoText(const std::vector<std::string>& fontFiles)
    : handles_(std::make_unique<Handles>()) {
  // A configuration of our own, holding only our files: no system fonts,
  // no user configuration, no substitution rules.
  handles_->config = FcConfigCreate();
  bool loaded = false;
  for (const auto& file : fontFiles) {
    if (FcConfigAppFontAddFile(handles_->config, reinterpret_cast<const FcChar8*>(file.c_str()))) {
      loaded = true;
    } else {
      missing_.push_back(file);
    }
  }
  handles_->fontMap = pango_cairo_font_map_new_for_font_type(CAIRO_FONT_TYPE_FT);
  if (handles_->fontMap) {
    pango_fc_font_map_set_config(PANGO_FC_FONT_MAP(handles_->fontMap), handles_->config);
    handles_->context = pango_font_map_create_context(handles_->fontMap);
  }
  if (handles_->context) {
    // One unit is one point; outlines are neither hinted nor snapped.
    pango_cairo_context_set_resolution(handles_->context, 72);
    cairo_font_options_t* options = cairo_font_options_create();
    cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_GRAY);
    cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_NONE);
    cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_OFF);
    pango_cairo_context_set_font_options(handles_->context, options);
    cairo_font_options_destroy(options);
    pango_context_set_round_glyph_positions(handles_->context, FALSE);
  }
  usable_ = loaded && missing_.empty() && handles_->context != nullptr;
}

PangoText::~PangoText() = default;

TextExtent PangoText::measure(std::string_view text, const FontSpec& font,
                              std::optional<double> wrapWidth) const {
  if (!handles_->context) return {};
  const LayoutHandle layout = handles_->layout(text, font, wrapWidth);
  PangoRectangle logical{};
  pango_layout_get_extents(layout.get(), nullptr, &logical);
  return {static_cast<double>(logical.width) / PANGO_SCALE,
          static_cast<double>(logical.height) / PANGO_SCALE};
}

void PangoText::draw(cairo_t* cairo, std::string_view text, const FontSpec& font,
                     std::optional<double> wrapWidth, double x, double y) const {
  if (!handles_->context) return;
  const LayoutHandle layout = handles_->layout(text, font, wrapWidth);
  cairo_move_to(cairo, x, y);
  pango_cairo_show_layout(cairo, layout.get());
}

}  // namespace plugscope
