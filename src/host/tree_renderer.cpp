#include "host/tree_renderer.h"

#include <utf8proc.h>

#include "shared/json_text.h"
#include "widget_api/localized_text.h"

namespace plugscope {
namespace {

std::string number(double value) {
  std::string out;
  if (!appendJsonNumber(out, value)) out = "nan";
  return out;
}

// "name=value" for one modifier.
std::string modifierWord(const Modifier& modifier) {
  struct Visitor {
    std::string operator()(const FontModifier& m) const {
      return std::string("font=") + textStyleName(m.style);
    }
    std::string operator()(const FontWeightModifier& m) const {
      return std::string("fontWeight=") + fontWeightName(m.weight);
    }
    std::string operator()(const MonospacedDigitModifier&) const { return "monospacedDigit=true"; }
    std::string operator()(const ForegroundStyleModifier& m) const {
      return std::string("foreground=") + shapeStyleName(m.style);
    }
    std::string operator()(const FillModifier& m) const {
      return std::string("fill=") + shapeStyleName(m.style);
    }
    std::string operator()(const OpacityModifier& m) const { return "opacity=" + number(m.value); }
    std::string operator()(const PaddingModifier& m) const {
      return std::string("padding.") + edgesName(m.edges) + "=" + number(m.length);
    }
    std::string operator()(const FrameModifier& m) const {
      return "frame=" + number(m.width) + "x" + number(m.height);
    }
    std::string operator()(const LineLimitModifier& m) const {
      return "lineLimit=" + std::to_string(m.lines);
    }
    std::string operator()(const BackgroundModifier& m) const {
      return std::string("background=") + (m.content ? kindName(m.content->kind) : "none");
    }
    std::string operator()(const ContainerBackgroundModifier& m) const {
      return std::string("containerBackground=") + shapeStyleName(m.style);
    }
  };
  return std::visit(Visitor{}, modifier);
}

void printNode(const ViewNode& node, int depth, const StringTable& strings, std::ostream& out) {
  std::string line(static_cast<std::size_t>(depth) * 2, ' ');
  line += kindName(node.kind);
  if (node.kind == ViewKind::text || node.kind == ViewKind::label) {
    line += ' ' + jsonStringLiteral(resolveText(node.text, strings));
  }
  if (node.kind == ViewKind::image || node.kind == ViewKind::label) {
    line += ' ' + jsonStringLiteral(node.symbol);
  }
  if (node.alignment) line += std::string(" alignment=") + alignmentName(*node.alignment);
  if (node.spacing) line += " spacing=" + number(*node.spacing);
  if (node.minLength) line += " minLength=" + number(*node.minLength);
  if (node.cornerStyle) line += std::string(" style=") + cornerStyleName(*node.cornerStyle);
  if (!node.identity.empty()) line += " id=" + jsonStringLiteral(node.identity);
  for (const auto& modifier : node.modifiers) line += ' ' + modifierWord(modifier);
  out << line << '\n';

  for (const auto& modifier : node.modifiers) {
    if (const auto* background = std::get_if<BackgroundModifier>(&modifier)) {
      if (background->content) printNode(*background->content, depth + 1, strings, out);
    }
  }
  for (const auto& child : node.children) printNode(child, depth + 1, strings, out);
}

}  // namespace

std::string jsonStringLiteral(std::string_view text) {
  static constexpr char kHex[] = "0123456789abcdef";
  std::string out = "\"";
  const auto* data = reinterpret_cast<const utf8proc_uint8_t*>(text.data());
  const auto size = static_cast<utf8proc_ssize_t>(text.size());
  for (utf8proc_ssize_t i = 0; i < size;) {
    utf8proc_int32_t c = 0;
    const auto length = utf8proc_iterate(data + i, size - i, &c);
    if (length <= 0) {
      out += "\uFFFD";
      i += 1;
      continue;
    }
    if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c == '\n') {
      out += "\\n";
    } else if (c == '\t') {
      out += "\\t";
    } else if (c == '\r') {
      out += "\\r";
    } else if (c < 0x20 || (c >= 0x7f && c <= 0x9f)) {
      out += "\\u00";
      out += kHex[(c >> 4) & 0xf];
      out += kHex[c & 0xf];
    } else {
      out.append(text.substr(static_cast<std::size_t>(i), static_cast<std::size_t>(length)));
    }
    i += length;
  }
  return out + "\"";
}

void TreeRenderer::render(const ViewNode& root, WidgetFamily, const StringTable& strings,
                          const WidgetTexts&, std::ostream& out) const {
  printNode(root, 0, strings, out);
}

}  // namespace plugscope
