#include "shared/json_record_reader.h"

#include <cmath>
#include <nlohmann/json.hpp>

#include "shared/json_nesting.h"

namespace plugscope {
namespace {

// The parser keeps each token (and the whitespace before it) in two growing
// buffers before it hands the token over, so the text is refused when any
// such stretch is longer than this. Six bytes of escape per byte of text
// are the most a string within kMaxJsonStringBytes can take.
constexpr std::size_t kMaxJsonStretchBytes = 64 * 1024;
static_assert(kMaxJsonStretchBytes > 6 * kMaxJsonStringBytes + 2);

// True when no run of bytes between two structural characters outside
// strings ({ } [ ] , :) is longer than `limit`. One pass, no allocation.
bool stretchesWithin(std::string_view text, std::size_t limit) {
  std::size_t run = 0;
  JsonStringTracker strings;
  for (const char c : text) {
    const bool structural = c == '{' || c == '}' || c == '[' || c == ']' || c == ',' || c == ':';
    if (!strings.within(c) && structural) {
      run = 0;
    } else if (++run > limit) {
      return false;
    }
  }
  return true;
}

using Json = nlohmann::json;

// nlohmann's SAX handler: hands kept values to the readers on a stack, one
// per open object or array that a reader reads, and counts the depth of
// values it skips.
class Parser final : public JsonCursor {
 public:
  explicit Parser(JsonContainerReader& root) : root_(root) {}

  std::optional<JsonReadError> failure() const {
    if (stopped_) return stopped_;
    if (malformed_) return JsonReadError{JsonReadFailure::malformedJson, ""};
    return std::nullopt;
  }

  // JsonCursor
  std::string pointer() const override {
    std::string text;
    for (const Level& level : levels_) {
      if (&level == &levels_.back() && atContainer_) break;
      text += '/';
      text += level.object ? level.key : std::to_string(level.index);
    }
    return text;
  }
  void beyondBounds() override {
    if (!stopped_) stopped_ = JsonReadError{JsonReadFailure::beyondBounds, pointer()};
  }

  // The SAX interface
  bool null() { return scalar(nullptr); }
  bool boolean(bool v) { return scalar(v); }
  bool number_integer(std::int64_t v) { return scalar(v); }
  bool number_unsigned(std::uint64_t v) { return scalar(v); }
  bool number_float(double v, const std::string&) { return scalar(v); }
  bool string(std::string& v) {
    return withinBounds(v) && scalar(JsonScalar(std::in_place_type<const std::string*>, &v));
  }
  bool binary(Json::binary_t&) { return true; }  // not in JSON text
  bool start_object(std::size_t) { return start(true); }
  bool start_array(std::size_t) { return start(false); }
  bool end_object() { return end(); }
  bool end_array() { return end(); }
  bool key(std::string& k) {
    if (!withinBounds(k)) return false;
    if (skipping_ > 0) return true;
    Level& level = levels_.back();
    level.key = k;
    skipNext_ = !level.reader->member(k);
    return true;
  }
  bool parse_error(std::size_t, const std::string&, const nlohmann::detail::exception&) {
    malformed_ = true;
    return false;
  }

 private:
  struct Level {
    JsonContainerReader* reader;
    std::unique_ptr<JsonContainerReader> owned;  // none for the root
    bool object;
    std::string key;        // the current member of an object
    std::size_t index = 0;  // the current element of an array
  };

  bool withinBounds(const std::string& text) {
    if (text.size() > kMaxJsonStringBytes) beyondBounds();
    return !stopped_;
  }

  // Only an object is a document here.
  bool rootIsNotAnObject() {
    stopped_ = JsonReadError{JsonReadFailure::malformedJson, ""};
    return false;
  }

  bool scalar(const JsonScalar& value) {
    if (skipping_ > 0) return true;
    if (levels_.empty()) return rootIsNotAnObject();
    if (!skipNext_) levels_.back().reader->scalar(value, *this);
    valueDone();
    return !stopped_;
  }

  bool start(bool object) {
    if (skipping_ > 0) {
      if (++skipping_ > kMaxIgnoredJsonNesting) beyondBounds();
      return !stopped_;
    }
    if (levels_.empty()) {
      if (!object) return rootIsNotAnObject();
      levels_.push_back({&root_, nullptr, true, {}, 0});
      return true;
    }
    std::unique_ptr<JsonContainerReader> reader;
    if (!skipNext_) reader = levels_.back().reader->open(object, *this);
    if (stopped_) return false;
    if (!reader) {
      skipping_ = 1;
      return true;
    }
    JsonContainerReader* raw = reader.get();
    levels_.push_back({raw, std::move(reader), object, {}, 0});
    return true;
  }

  bool end() {
    if (skipping_ > 0) {
      if (--skipping_ == 0) valueDone();
      return true;
    }
    atContainer_ = true;
    levels_.back().reader->close(*this);
    atContainer_ = false;
    levels_.pop_back();  // the reader's results went to its parent in close()
    if (!levels_.empty()) valueDone();
    return !stopped_;
  }

  // A member's or element's value is complete.
  void valueDone() {
    skipNext_ = false;
    if (!levels_.back().object) ++levels_.back().index;
  }

  JsonContainerReader& root_;
  std::vector<Level> levels_;
  std::size_t skipping_ = 0;  // depth within a skipped value; 0 when none
  bool skipNext_ = false;     // the current member's value is skipped
  bool atContainer_ = false;  // pointer() names the innermost container
  bool malformed_ = false;
  std::optional<JsonReadError> stopped_;
};

}  // namespace

bool readJsonScalar(const JsonScalar& value, std::string& out) {
  const auto* text = std::get_if<const std::string*>(&value);
  if (!text) return false;
  out = **text;
  return true;
}

bool readJsonScalar(const JsonScalar& value, bool& out) {
  const auto* b = std::get_if<bool>(&value);
  if (!b) return false;
  out = *b;
  return true;
}

bool readJsonScalar(const JsonScalar& value, std::int64_t& out) {
  if (const auto* i = std::get_if<std::int64_t>(&value)) {
    out = *i;
    return true;
  }
  if (const auto* u = std::get_if<std::uint64_t>(&value)) {
    if (*u > static_cast<std::uint64_t>(INT64_MAX)) return false;
    out = static_cast<std::int64_t>(*u);
    return true;
  }
  if (const auto* d = std::get_if<double>(&value)) {
    // 2^63 is exactly representable; the range is [-2^63, 2^63).
    if (std::isfinite(*d) && std::trunc(*d) == *d && *d >= -9223372036854775808.0 &&
        *d < 9223372036854775808.0) {
      out = static_cast<std::int64_t>(*d);
      return true;
    }
  }
  return false;
}

bool readJsonScalar(const JsonScalar& value, double& out) {
  if (const auto* i = std::get_if<std::int64_t>(&value)) {
    out = static_cast<double>(*i);
  } else if (const auto* u = std::get_if<std::uint64_t>(&value)) {
    out = static_cast<double>(*u);
  } else if (const auto* d = std::get_if<double>(&value)) {
    out = *d;
  } else {
    return false;
  }
  return true;
}

std::optional<JsonReadError> parseJsonObject(std::string_view bytes, JsonContainerReader& root) {
  if (!stretchesWithin(bytes, kMaxJsonStretchBytes)) {
    return JsonReadError{JsonReadFailure::beyondBounds, ""};
  }
  Parser parser(root);
  Json::sax_parse(bytes.begin(), bytes.end(), &parser, nlohmann::detail::input_format_t::json,
                  /*strict=*/true, /*ignore_comments=*/false);
  return parser.failure();
}

}  // namespace plugscope
