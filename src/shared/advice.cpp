#include "shared/advice.h"

#include "shared/json_text.h"

namespace plugscope {

const std::int64_t* adviceNumber(const AdviceEntry& entry, std::string_view name) {
  for (const AdviceValue& v : entry.values) {
    if (v.name == name) return std::get_if<std::int64_t>(&v.value);
  }
  return nullptr;
}

const std::string* adviceWord(const AdviceEntry& entry, std::string_view name) {
  for (const AdviceValue& v : entry.values) {
    if (v.name == name) return std::get_if<std::string>(&v.value);
  }
  return nullptr;
}

std::string adviceSpeedText(std::int64_t megabits) {
  std::string text;
  if (megabits > -1000 && megabits < 1000) {
    appendJsonInteger(text, megabits);
    return text + " Mb/s";
  }
  appendJsonNumber(text, static_cast<double>(megabits) / 1000.0);
  return text + " Gb/s";
}

std::string fillAdviceTemplate(
    std::string_view format, const AdviceEntry& entry,
    const std::function<std::string(std::string_view name, const std::string& word)>& word) {
  std::string out;
  std::size_t at = 0;
  while (at < format.size()) {
    const std::size_t open = format.find('{', at);
    const std::size_t close = open == std::string_view::npos ? open : format.find('}', open);
    if (close == std::string_view::npos) break;
    const std::string_view name = format.substr(open + 1, close - open - 1);
    const AdviceValue* value = nullptr;
    for (const AdviceValue& v : entry.values) {
      if (v.name == name) value = &v;
    }
    if (!value) {
      // Not a value: copy up to and including the brace, look again after it.
      out.append(format.substr(at, open + 1 - at));
      at = open + 1;
      continue;
    }
    out.append(format.substr(at, open - at));
    if (const auto* number = std::get_if<std::int64_t>(&value->value)) {
      if (name.ends_with("Mbps")) {
        out += adviceSpeedText(*number);
      } else {
        appendJsonInteger(out, *number);
      }
    } else {
      out += word(name, std::get<std::string>(value->value));
    }
    at = close + 1;
  }
  out.append(format.substr(std::min(at, format.size())));
  return out;
}

}  // namespace plugscope
