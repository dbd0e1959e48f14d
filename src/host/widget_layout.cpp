#include "host/widget_layout.h"

#include <algorithm>
#include <map>
#include <tuple>

#include "host/semantic_fonts.h"
#include "host/text_fitting.h"
#include "host/widget_metrics.h"
#include "widget_api/localized_text.h"
#include "host/terminal_text.h"

namespace plugscope {
namespace {

// What a parent offers a child in each direction; none means "as much as
// you like", which asks the child for its ideal size.
struct Proposal {
  std::optional<double> width;
  std::optional<double> height;
};

// Settings that flow from a node to everything inside it.
struct ViewEnvironment {
  std::optional<TextStyle> font;
  std::optional<FontWeight> weight;
  bool monospacedDigits = false;
  ShapeStyle foreground = ShapeStyle::primary;
  std::optional<ShapeStyle> fill;
  std::optional<int> lineLimit;
  double opacity = 1;
};

struct Insets {
  double top = 0, leading = 0, bottom = 0, trailing = 0;
};

Insets insetsOf(const PaddingModifier& padding, const LayoutSurface& surface) {
  const double w = surface.width(padding.length);
  const double h = surface.height(padding.length);
  switch (padding.edges) {
    case Edges::top: return {h, 0, 0, 0};
    case Edges::leading: return {0, w, 0, 0};
    case Edges::bottom: return {0, 0, h, 0};
    case Edges::trailing: return {0, 0, 0, w};
    case Edges::horizontal: return {0, w, 0, w};
    case Edges::vertical: return {h, 0, h, 0};
    case Edges::all: return {h, w, h, w};
  }
  return {};
}

std::optional<double> shrink(std::optional<double> length, double by) {
  if (!length) return std::nullopt;
  return std::max(0.0, *length - by);
}

// A spacer's shortest length along its stack's axis, in the surface's units.
double spacerMinimum(const ViewNode& spacerNode, bool horizontal, const LayoutSurface& surface) {
  const double points = spacerNode.minLength.value_or(kDefaultSpacerMinLength);
  return std::max(0.0, horizontal ? surface.width(points) : surface.height(points));
}

// A stack's spacing between its children, in the surface's units.
double stackSpacing(const ViewNode& stack, const LayoutSurface& surface) {
  const double points = stack.spacing.value_or(kDefaultStackSpacing);
  return std::max(0.0, stack.kind == ViewKind::hStack ? surface.width(points)
                                                      : surface.height(points));
}

FontSpec fontOf(const ViewEnvironment& env) {
  return fontFor(env.font.value_or(kDefaultTextStyle), env.weight, env.monospacedDigits);
}

// Spacers share `pool` equally, none below its minimum; those with the
// largest minimum take theirs first. Gives each spacer's length.
void shareAmongSpacers(const std::vector<double>& minimums, const std::vector<std::size_t>& spacers,
                       double pool, std::vector<double>& lengths) {
  std::vector<std::size_t> order = spacers;
  std::stable_sort(order.begin(), order.end(),
                   [&](std::size_t a, std::size_t b) { return minimums[a] > minimums[b]; });
  std::size_t left = order.size();
  for (std::size_t index : order) {
    const double share = std::max(minimums[index], pool / static_cast<double>(left));
    lengths[index] = share;
    pool = std::max(0.0, pool - share);
    --left;
  }
}

// Sizing asks for the same texts many times over (ideal sizes, then
// offers, then placement): each is measured once per layout.
class RememberingMeasurer final : public TextMeasurer {
 public:
  explicit RememberingMeasurer(const TextMeasurer& measurer) : measurer_(measurer) {}

  TextExtent measure(std::string_view text, const FontSpec& font,
                     std::optional<double> wrapWidth) const override {
    Key key{std::string(text), font.size, font.weight, font.monospacedDigits, wrapWidth};
    auto found = known_.find(key);
    if (found != known_.end()) return found->second;
    const TextExtent extent = measurer_.measure(text, font, wrapWidth);
    known_.emplace(std::move(key), extent);
    return extent;
  }

 private:
  using Key = std::tuple<std::string, double, FontWeight, bool, std::optional<double>>;
  const TextMeasurer& measurer_;
  mutable std::map<Key, TextExtent> known_;
};

struct StackPlan {
  std::vector<Proposal> offers;
  std::vector<Size> sizes;
  Size total;
};

// The text of a text or label node as it is drawn, before fitting.
struct TextSetting {
  std::string text;
  FontSpec font;
  std::optional<int> lineLimit;
};

struct SetText {
  std::string text;
  bool truncated = false;
  std::optional<double> wrapWidth;
  TextExtent extent;
};

class LayoutEngine {
 public:
  LayoutEngine(const StringTable& strings, const LayoutSurface& surface,
               const TextMeasurer& measurer)
      : strings_(strings), surface_(surface), measurer_(measurer) {}

  Size size(const ViewNode& node, Proposal offer, const ViewEnvironment& parent) const {
    return sizeAt(node, node.modifiers.size(), offer, parent);
  }

  PlacedView place(const ViewNode& node, Rect rect, Proposal offer,
                   const ViewEnvironment& parent) const {
    PlacedView view;
    view.kind = node.kind;
    view.identity = node.identity;
    view.frame = rect;
    for (std::size_t level = node.modifiers.size(); level > 0; --level) {
      const Modifier& modifier = node.modifiers[level - 1];
      if (const auto* padding = std::get_if<PaddingModifier>(&modifier)) {
        const Insets in = insetsOf(*padding, surface_);
        rect = {rect.x + in.leading, rect.y + in.top,
                std::max(0.0, rect.width - in.leading - in.trailing),
                std::max(0.0, rect.height - in.top - in.bottom)};
        offer = {shrink(offer.width, in.leading + in.trailing),
                 shrink(offer.height, in.top + in.bottom)};
      } else if (const auto* frame = std::get_if<FrameModifier>(&modifier)) {
        offer = {std::max(0.0, surface_.width(frame->width)),
                 std::max(0.0, surface_.height(frame->height))};
        const Size inner = sizeAt(node, level - 1, offer, parent);
        rect = {rect.x + (rect.width - inner.width) / 2, rect.y + (rect.height - inner.height) / 2,
                inner.width, inner.height};
      } else if (const auto* background = std::get_if<BackgroundModifier>(&modifier)) {
        if (background->content) {
          const ViewEnvironment outer = environmentAt(node, level, parent);
          view.backgrounds.push_back(
              place(*background->content, rect, {rect.width, rect.height}, outer));
        }
      }
    }
    view.contentFrame = rect;
    const ViewEnvironment env = environmentAt(node, 0, parent);
    view.paint = {env.fill.value_or(env.foreground), env.opacity};
    placeContent(node, view, offer, env);
    return view;
  }

 private:
  // The environment inside modifier `level` (0: the node's content). A
  // modifier nearer the view wins over one applied after it.
  static ViewEnvironment environmentAt(const ViewNode& node, std::size_t level,
                                   const ViewEnvironment& parent) {
    ViewEnvironment env = parent;
    env.fill.reset();  // a fill belongs to the shape it was applied to
    for (std::size_t i = node.modifiers.size(); i-- > level;) {
      const Modifier& modifier = node.modifiers[i];
      if (const auto* font = std::get_if<FontModifier>(&modifier)) {
        env.font = font->style;
      } else if (const auto* weight = std::get_if<FontWeightModifier>(&modifier)) {
        env.weight = weight->weight;
      } else if (std::holds_alternative<MonospacedDigitModifier>(modifier)) {
        env.monospacedDigits = true;
      } else if (const auto* foreground = std::get_if<ForegroundStyleModifier>(&modifier)) {
        env.foreground = foreground->style;
      } else if (const auto* fill = std::get_if<FillModifier>(&modifier)) {
        env.fill = fill->style;
      } else if (const auto* limit = std::get_if<LineLimitModifier>(&modifier)) {
        env.lineLimit = limit->lines;
      } else if (const auto* opacity = std::get_if<OpacityModifier>(&modifier)) {
        // Out of range (NaN included) counts as the nearest sensible value.
        env.opacity *= opacity->value >= 0 ? std::min(opacity->value, 1.0) : 0.0;
      }
    }
    return env;
  }

  Size sizeAt(const ViewNode& node, std::size_t level, Proposal offer,
              const ViewEnvironment& parent) const {
    if (level == 0) return contentSize(node, offer, environmentAt(node, 0, parent));
    const Modifier& modifier = node.modifiers[level - 1];
    if (const auto* padding = std::get_if<PaddingModifier>(&modifier)) {
      const Insets in = insetsOf(*padding, surface_);
      const Size inner = sizeAt(node, level - 1,
                                {shrink(offer.width, in.leading + in.trailing),
                                 shrink(offer.height, in.top + in.bottom)},
                                parent);
      return {inner.width + in.leading + in.trailing, inner.height + in.top + in.bottom};
    }
    if (const auto* frame = std::get_if<FrameModifier>(&modifier)) {
      return {std::max(0.0, surface_.width(frame->width)),
              std::max(0.0, surface_.height(frame->height))};
    }
    return sizeAt(node, level - 1, offer, parent);
  }

  TextSetting textSetting(const ViewNode& node, const ViewEnvironment& env) const {
    return {terminalSafeText(resolveText(node.text, strings_)), fontOf(env), env.lineLimit};
  }

  SetText setText(const TextSetting& setting, std::optional<double> width) const {
    SetText set;
    const TextExtent ideal = measurer_.measure(setting.text, setting.font, std::nullopt);
    if (!width || ideal.width <= *width) {
      set.text = setting.text;
      set.extent = ideal;
      return set;
    }
    if (setting.lineLimit && *setting.lineLimit == 1) {
      FittedText fitted = fitOneLine(setting.text, setting.font, *width, measurer_);
      set.text = std::move(fitted.text);
      set.truncated = fitted.truncated;
      set.extent = measurer_.measure(set.text, setting.font, std::nullopt);
      return set;
    }
    set.text = setting.text;
    set.wrapWidth = *width;
    set.extent = measurer_.measure(set.text, setting.font, width);
    set.extent.width = std::min(set.extent.width, *width);
    if (setting.lineLimit && *setting.lineLimit > 1) {
      set.extent.height = std::min(set.extent.height, *setting.lineLimit * ideal.height);
    }
    return set;
  }

  Size contentSize(const ViewNode& node, Proposal offer, const ViewEnvironment& env) const {
    switch (node.kind) {
      case ViewKind::text: {
        const TextExtent extent = setText(textSetting(node, env), offer.width).extent;
        return {extent.width, extent.height};
      }
      case ViewKind::label: {
        const TextSetting setting = textSetting(node, env);
        const Size symbol = surface_.symbolSize(node.symbol, setting.font);
        const double gap = surface_.labelSpacing(setting.font);
        const TextExtent extent = setText(setting, shrink(offer.width, symbol.width + gap)).extent;
        return {symbol.width + gap + extent.width, std::max(symbol.height, extent.height)};
      }
      case ViewKind::image: return surface_.symbolSize(node.symbol, fontOf(env));
      case ViewKind::circle:
      case ViewKind::capsule:
        return {offer.width.value_or(surface_.width(kShapeDefaultLength)),
                offer.height.value_or(surface_.height(kShapeDefaultLength))};
      case ViewKind::spacer:
        return {spacerMinimum(node, true, surface_), spacerMinimum(node, false, surface_)};
      case ViewKind::vStack:
      case ViewKind::hStack: return planStack(node, offer, env).total;
    }
    return {};
  }

  StackPlan planStack(const ViewNode& node, Proposal offer, const ViewEnvironment& env) const {
    const bool horizontal = node.kind == ViewKind::hStack;
    std::vector<const ViewNode*> children;
    for (const auto& child : node.children) children.push_back(&child);
    const std::size_t count = children.size();
    StackPlan plan;
    plan.offers.resize(count);
    plan.sizes.resize(count);
    if (count == 0) return plan;

    const double gaps = stackSpacing(node, surface_) * static_cast<double>(count - 1);
    std::vector<std::size_t> spacers;
    std::vector<std::size_t> others;
    std::vector<double> minimums(count, 0);
    double spacerMinimums = 0;
    for (std::size_t i = 0; i < count; ++i) {
      if (children[i]->kind == ViewKind::spacer) {
        spacers.push_back(i);
        minimums[i] = spacerMinimum(*children[i], horizontal, surface_);
        spacerMinimums += minimums[i];
      } else {
        others.push_back(i);
      }
    }

    double used = 0;
    if (horizontal) {
      std::optional<double> remaining;
      if (offer.width) remaining = *offer.width - gaps - spacerMinimums;
      // The narrowest first, so that what cannot fit is cut from the widest.
      std::vector<double> ideal(count, 0);
      if (remaining) {
        for (std::size_t i : others) ideal[i] = size(*children[i], {std::nullopt, offer.height}, env).width;
        std::stable_sort(others.begin(), others.end(),
                         [&](std::size_t a, std::size_t b) { return ideal[a] < ideal[b]; });
      }
      std::size_t left = others.size();
      for (std::size_t i : others) {
        std::optional<double> width;
        if (remaining) width = std::max(0.0, *remaining / static_cast<double>(left));
        plan.offers[i] = {width, offer.height};
        plan.sizes[i] = size(*children[i], plan.offers[i], env);
        if (remaining) *remaining -= plan.sizes[i].width;
        used += plan.sizes[i].width;
        --left;
      }
    } else {
      for (std::size_t i : others) {
        plan.offers[i] = {offer.width, std::nullopt};
        plan.sizes[i] = size(*children[i], plan.offers[i], env);
        used += plan.sizes[i].height;
      }
    }

    const std::optional<double> mainOffer = horizontal ? offer.width : offer.height;
    const double pool = mainOffer ? std::max(0.0, *mainOffer - gaps - used) : 0;
    std::vector<double> lengths(count, 0);
    shareAmongSpacers(minimums, spacers, pool, lengths);
    for (std::size_t i : spacers) {
      plan.sizes[i] = horizontal ? Size{lengths[i], 0} : Size{0, lengths[i]};
      plan.offers[i] = {plan.sizes[i].width, plan.sizes[i].height};
    }

    for (const Size& s : plan.sizes) {
      if (horizontal) {
        plan.total.width += s.width;
        plan.total.height = std::max(plan.total.height, s.height);
      } else {
        plan.total.height += s.height;
        plan.total.width = std::max(plan.total.width, s.width);
      }
    }
    (horizontal ? plan.total.width : plan.total.height) += gaps;
    return plan;
  }

  void placeContent(const ViewNode& node, PlacedView& view, Proposal offer,
                    const ViewEnvironment& env) const {
    const Rect r = view.contentFrame;
    switch (node.kind) {
      case ViewKind::text: {
        const TextSetting setting = textSetting(node, env);
        SetText set = setText(setting, offer.width);
        view.text = std::move(set.text);
        view.truncated = set.truncated;
        view.wrapWidth = set.wrapWidth;
        view.font = setting.font;
        view.textFrame = r;
        return;
      }
      case ViewKind::label: {
        const TextSetting setting = textSetting(node, env);
        const Size symbol = surface_.symbolSize(node.symbol, setting.font);
        const double gap = surface_.labelSpacing(setting.font);
        SetText set = setText(setting, shrink(offer.width, symbol.width + gap));
        view.text = std::move(set.text);
        view.truncated = set.truncated;
        view.wrapWidth = set.wrapWidth;
        view.font = setting.font;
        view.symbol = node.symbol;
        view.symbolFrame = {r.x, r.y + (r.height - symbol.height) / 2, symbol.width, symbol.height};
        view.textFrame = {r.x + symbol.width + gap, r.y + (r.height - set.extent.height) / 2,
                          set.extent.width, set.extent.height};
        return;
      }
      case ViewKind::image:
        view.font = fontOf(env);
        view.symbol = node.symbol;
        view.symbolFrame = r;
        return;
      case ViewKind::circle:
      case ViewKind::capsule:
      case ViewKind::spacer: return;
      case ViewKind::vStack:
      case ViewKind::hStack: placeStack(node, view, offer, env); return;
    }
  }

  void placeStack(const ViewNode& node, PlacedView& view, Proposal offer,
                  const ViewEnvironment& env) const {
    const bool horizontal = node.kind == ViewKind::hStack;
    const StackPlan plan = planStack(node, offer, env);
    const Rect r = view.contentFrame;
    const double spacing = stackSpacing(node, surface_);
    const Alignment alignment = node.alignment.value_or(Alignment::center);
    double along = horizontal ? r.x : r.y;
    for (std::size_t i = 0; i < node.children.size(); ++i) {
      const Size s = plan.sizes[i];
      Rect child;
      if (horizontal) {
        const double free = r.height - s.height;
        const double y = alignment == Alignment::top      ? r.y
                         : alignment == Alignment::bottom ? r.y + free
                                                          : r.y + free / 2;
        child = {along, y, s.width, s.height};
        along += s.width + spacing;
      } else {
        const double free = r.width - s.width;
        const double x = alignment == Alignment::leading    ? r.x
                         : alignment == Alignment::trailing ? r.x + free
                                                            : r.x + free / 2;
        child = {x, along, s.width, s.height};
        along += s.height + spacing;
      }
      view.children.push_back(place(node.children[i], child, plan.offers[i], env));
    }
  }

  const StringTable& strings_;
  const LayoutSurface& surface_;
  const TextMeasurer& measurer_;
};

}  // namespace

namespace {

// One pass of the layout, leaving nothing out.
WidgetLayout layOut(const ViewNode& root, WidgetFamily family, const StringTable& strings,
                    const LayoutSurface& surface, const TextMeasurer& measurer) {
  WidgetLayout layout;
  const Size widget = surface.widgetSize(family);
  const double margin = surface.contentMargin();
  layout.bounds = {0, 0, widget.width, widget.height};
  layout.contentArea = {margin, margin, widget.width - 2 * margin, widget.height - 2 * margin};
  if (const auto* background = findModifier<ContainerBackgroundModifier>(root)) {
    layout.containerBackground = background->style;
  }

  const LayoutEngine engine(strings, surface, measurer);
  const Rect area = layout.contentArea;
  const Proposal offer{area.width, area.height};
  const Size size = engine.size(root, offer, ViewEnvironment{});
  const Rect placed{area.x + (area.width - size.width) / 2,
                    area.y + std::max(0.0, (area.height - size.height) / 2), size.width,
                    size.height};
  layout.root = engine.place(root, placed, offer, ViewEnvironment{});
  return layout;
}

bool isRow(const ViewNode& node) { return !node.identity.empty(); }

// Whether the root's children at `indices` all end inside the content area.
bool endInside(const WidgetLayout& layout, const std::vector<std::size_t>& indices) {
  // Positions are sums of lengths: allow for their rounding.
  constexpr double kTolerance = 1e-6;
  const double bottom = layout.contentArea.y + layout.contentArea.height + kTolerance;
  return std::ranges::all_of(indices, [&](std::size_t i) {
    const Rect& frame = layout.root.children[i].frame;
    return frame.maxY() <= bottom;
  });
}

ViewNode notShownLine(std::string text) {
  return plugscope::text(TextContent::verbatim(std::move(text)))
      .font(TextStyle::caption)
      .foregroundStyle(ShapeStyle::secondary)
      .lineLimit(1);
}

}  // namespace

WidgetLayout layoutWidget(const ViewNode& root, WidgetFamily family, const StringTable& strings,
                          const WidgetTexts& texts, const LayoutSurface& surface) {
  const RememberingMeasurer remembering(surface.text());
  WidgetLayout layout = layOut(root, family, strings, surface, remembering);
  if (root.kind != ViewKind::vStack) return layout;
  std::vector<std::size_t> rows;
  for (std::size_t i = 0; i < root.children.size(); ++i) {
    if (isRow(root.children[i])) rows.push_back(i);
  }
  if (endInside(layout, rows)) return layout;

  // Rows are placed in order: the first one cut and all after it go.
  std::size_t kept = 0;
  while (kept < rows.size() && endInside(layout, {rows[kept]})) ++kept;
  for (;; --kept) {
    // The rows from `kept` on leave, and the line takes the first one's place.
    ViewNode shown = root;
    shown.children.clear();
    std::vector<std::size_t> checked;
    for (std::size_t i = 0; i < root.children.size(); ++i) {
      const bool row = isRow(root.children[i]);
      if (row && i >= rows[kept]) {
        if (i != rows[kept]) continue;
        checked.push_back(shown.children.size());
        shown.children.push_back(notShownLine(texts.rowsNotShown(rows.size() - kept)));
        continue;
      }
      if (row) checked.push_back(shown.children.size());
      shown.children.push_back(root.children[i]);
    }
    layout = layOut(shown, family, strings, surface, remembering);
    layout.rowsNotShown = rows.size() - kept;
    if (kept == 0 || endInside(layout, checked)) return layout;
  }
}

WidgetLayout layoutWidget(const ViewNode& root, WidgetFamily family, const StringTable& strings,
                          const WidgetTexts& texts, const TextMeasurer& measurer) {
  return layoutWidget(root, family, strings, texts, PointSurface(measurer));
}

}  // namespace plugscope
