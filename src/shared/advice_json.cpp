#include "shared/advice_json.h"

#include <algorithm>
#include <memory>

#include "shared/json_text.h"

namespace plugscope {
namespace {

// ---- writing ----

void appendValue(std::string& out, const AdviceValue& value) {
  appendJsonString(out, value.name);
  out.push_back(':');
  if (const auto* number = std::get_if<std::int64_t>(&value.value)) {
    appendJsonInteger(out, *number);
  } else {
    appendJsonString(out, std::get<std::string>(value.value));
  }
}

void appendEntry(std::string& out, const AdviceEntry& entry) {
  out += "{\"port\":";
  appendJsonInteger(out, entry.port);
  out += ",\"hint\":";
  appendJsonString(out, entry.hint);
  out += ",\"values\":{";
  for (std::size_t i = 0; i < entry.values.size(); ++i) {
    if (i > 0) out.push_back(',');
    appendValue(out, entry.values[i]);
  }
  out += "},\"text\":";
  appendJsonString(out, entry.text);
  out.push_back('}');
}

// ---- reading ----

bool readJsonScalar(const JsonScalar& scalar, std::variant<std::int64_t, std::string>& out) {
  std::int64_t number = 0;
  if (plugscope::readJsonScalar(scalar, number)) {
    out = number;
    return true;
  }
  std::string text;
  if (!plugscope::readJsonScalar(scalar, text)) return false;
  out = std::move(text);
  return true;
}

// The members of "values" in their order; a repeated name keeps its first
// place and its last value.
class ValuesReader final : public JsonContainerReader {
 public:
  ValuesReader(std::vector<AdviceValue>& values, JsonFieldState& state)
      : values_(values), state_(state) {}
  bool member(std::string_view key) override {
    key_ = key;
    return true;
  }
  void scalar(const JsonScalar& scalar, JsonCursor& at) override {
    AdviceValue value{key_, {}};
    if (!readJsonScalar(scalar, value.value)) return state_.fail(at.error(JsonReadFailure::wrongType));
    const auto same = std::find_if(values_.begin(), values_.end(),
                                   [&](const AdviceValue& v) { return v.name == key_; });
    if (same != values_.end()) {
      same->value = std::move(value.value);
    } else if (values_.size() < kMaxAdviceValues) {
      values_.push_back(std::move(value));
    } else {
      at.beyondBounds();
    }
  }
  std::unique_ptr<JsonContainerReader> open(bool, JsonCursor& at) override {
    state_.fail(at.error(JsonReadFailure::wrongType));
    return nullptr;
  }

 private:
  std::vector<AdviceValue>& values_;
  JsonFieldState& state_;
  std::string key_;
};

JsonField<AdviceEntry> valuesField() {
  JsonField<AdviceEntry> field{"values", true, {}, {}, {}};
  field.open = [](AdviceEntry& entry, bool object,
                  JsonFieldState& state) -> std::unique_ptr<JsonContainerReader> {
    if (!object) return nullptr;
    entry.values.clear();
    return std::make_unique<ValuesReader>(entry.values, state);
  };
  return field;
}

const JsonFields<AdviceEntry>& entryFields() {
  static const JsonFields<AdviceEntry> fields{
      jsonField("port", &AdviceEntry::port),
      jsonField("hint", &AdviceEntry::hint),
      valuesField(),
      jsonField("text", &AdviceEntry::text),
  };
  return fields;
}

const JsonFields<Advice>& adviceFields() {
  static const JsonFields<Advice> fields{
      jsonField<Advice>("taken", [](Advice& a) -> double& { return a.taken.seconds; }),
      jsonList("advice", &Advice::entries, entryFields(), kMaxAdviceEntries),
  };
  return fields;
}

}  // namespace

std::optional<std::string> encodeAdvice(const Advice& advice) {
  std::string out = "{\"taken\":";
  if (!appendJsonNumber(out, advice.taken.seconds)) return std::nullopt;
  out += ",\"advice\":[";
  for (std::size_t i = 0; i < advice.entries.size(); ++i) {
    if (i > 0) out.push_back(',');
    appendEntry(out, advice.entries[i]);
  }
  out += "]}";
  return out;
}

JsonReadResult<Advice> decodeAdvice(std::string_view bytes) {
  return readJsonRecord(bytes, adviceFields());
}

std::optional<Advice> decodeAdviceOrNone(std::string_view bytes) {
  auto result = decodeAdvice(bytes);
  if (auto* advice = std::get_if<Advice>(&result)) return std::move(*advice);
  return std::nullopt;
}

}  // namespace plugscope
