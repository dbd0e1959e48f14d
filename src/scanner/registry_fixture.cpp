#include "scanner/registry_fixture.h"

#include <nlohmann/json.hpp>

namespace plugscope {
namespace {

using Json = nlohmann::ordered_json;

// Escapes a key for use in a JSON pointer (RFC 6901).
std::string pointerToken(const std::string& key) {
  std::string out;
  for (char c : key) {
    if (c == '~') {
      out += "~0";
    } else if (c == '/') {
      out += "~1";
    } else {
      out.push_back(c);
    }
  }
  return out;
}

// Builds the document like nlohmann's own DOM parser, but rejects what a
// fixture may not hold while the position is still known: nulls, integer
// literals outside int64 (which the parser would quietly make floats), and
// nesting deeper than kMaxFixtureDepth.
class FixtureSax final : public nlohmann::json_sax<Json> {
 public:
  explicit FixtureSax(Json& root) : root_(root) {}

  bool null() override { return reject("null is not allowed"); }
  bool boolean(bool v) override { return put(v); }
  bool number_integer(number_integer_t v) override { return put(v); }
  bool number_unsigned(number_unsigned_t v) override {
    if (v > static_cast<number_unsigned_t>(INT64_MAX)) return reject("integer outside int64");
    return put(static_cast<number_integer_t>(v));
  }
  bool number_float(number_float_t v, const string_t& text) override {
    if (text.find_first_of(".eE") == string_t::npos) return reject("integer outside int64");
    return put(v);
  }
  bool string(string_t& v) override { return put(v); }
  bool binary(binary_t&) override { return reject("binary values are not allowed"); }

  bool start_object(std::size_t) override { return open(Json::object()); }
  bool key(string_t& k) override {
    frames_.back().key = k;
    return true;
  }
  bool end_object() override { return close(); }
  bool start_array(std::size_t) override { return open(Json::array()); }
  bool end_array() override { return close(); }

  bool parse_error(std::size_t, const std::string&,
                   const nlohmann::detail::exception& ex) override {
    if (error_.empty()) error_ = std::string("not JSON: ") + ex.what();
    return false;
  }

  const std::string& error() const { return error_; }

 private:
  struct Frame {
    Json* value;
    std::string key;  // current member key, for objects
  };

  std::string pointer() const {
    // Arrays of enclosing frames already hold the open child as their last
    // element; the innermost one is about to receive the offending value.
    std::string p;
    for (std::size_t i = 0; i < frames_.size(); ++i) {
      const Frame& f = frames_[i];
      p += '/';
      if (f.value->is_object()) {
        p += pointerToken(f.key);
      } else {
        const bool innermost = i + 1 == frames_.size();
        p += std::to_string(f.value->size() - (innermost ? 0 : 1));
      }
    }
    return p;
  }

  bool reject(const std::string& what) {
    error_ = what + " at " + (frames_.empty() ? std::string("/") : pointer());
    return false;
  }

  Json* place(Json value) {
    if (frames_.empty()) {
      root_ = std::move(value);
      return &root_;
    }
    Frame& top = frames_.back();
    if (top.value->is_object()) {
      Json& slot = (*top.value)[top.key];
      slot = std::move(value);
      return &slot;
    }
    top.value->push_back(std::move(value));
    return &top.value->back();
  }
  bool put(Json value) {
    place(std::move(value));
    return true;
  }
  bool open(Json container) {
    if (frames_.size() >= kMaxFixtureDepth) return reject("nesting too deep");
    Json* slot = place(std::move(container));
    frames_.push_back(Frame{slot, {}});
    return true;
  }
  bool close() {
    frames_.pop_back();
    return true;
  }

  Json& root_;
  std::vector<Frame> frames_;
  std::string error_;
};

struct LoadFailed {
  std::string message;
};

[[noreturn]] void fail(const std::string& what, const std::string& where) {
  throw LoadFailed{what + " at " + (where.empty() ? "/" : where)};
}

std::optional<std::vector<std::uint8_t>> decodeBase64(const std::string& text) {
  auto sextet = [](char c) -> int {
    if (c >= 'A' && c <= 'Z') return c - 'A';
    if (c >= 'a' && c <= 'z') return c - 'a' + 26;
    if (c >= '0' && c <= '9') return c - '0' + 52;
    if (c == '+') return 62;
    if (c == '/') return 63;
    return -1;
  };
  if (text.size() % 4 != 0) return std::nullopt;
  std::vector<std::uint8_t> out;
  out.reserve(text.size() / 4 * 3);
  for (std::size_t i = 0; i < text.size(); i += 4) {
    const bool last = i + 4 == text.size();
    int padding = 0;
    std::uint32_t group = 0;
    for (std::size_t k = 0; k < 4; ++k) {
      const char c = text[i + k];
      if (c == '=' && last && k >= 2) {
        ++padding;
        group <<= 6;
        continue;
      }
      const int v = sextet(c);
      if (v < 0 || padding > 0) return std::nullopt;  // padding only at the very end
      group = (group << 6) | static_cast<std::uint32_t>(v);
    }
    out.push_back(static_cast<std::uint8_t>(group >> 16));
    if (padding < 2) out.push_back(static_cast<std::uint8_t>(group >> 8));
    if (padding < 1) out.push_back(static_cast<std::uint8_t>(group));
  }
  return out;
}

RegistryValue convertValue(const Json& v, const std::string& where) {
  switch (v.type()) {
    case Json::value_t::boolean: return v.get<bool>();
    case Json::value_t::number_integer: return v.get<std::int64_t>();
    case Json::value_t::number_float: return RegistryOther{v.get<double>()};
    case Json::value_t::string: return v.get<std::string>();
    case Json::value_t::array: {
      RegistryArray array;
      array.reserve(v.size());
      for (std::size_t i = 0; i < v.size(); ++i) {
        array.push_back(convertValue(v[i], where + "/" + std::to_string(i)));
      }
      return array;
    }
    case Json::value_t::object: {
      if (v.size() == 1 && v.contains("$data") && v["$data"].is_string()) {
        auto bytes = decodeBase64(v["$data"].get<std::string>());
        if (!bytes) fail("\"$data\" is not valid base64", where + "/$data");
        return RegistryData{std::move(*bytes)};
      }
      PropertyMap dictionary;
      for (const auto& [key, value] : v.items()) {
        dictionary.set(key, convertValue(value, where + "/" + pointerToken(key)));
      }
      return dictionary;
    }
    default: fail("unsupported value", where);
  }
}

void convertEntry(const Json& e, std::optional<EntryRef> parent, const std::string& where,
                  MemoryRegistry& registry) {
  if (!e.is_object()) fail("entry is not an object", where);
  auto classesIt = e.find("classes");
  if (classesIt == e.end()) fail("\"classes\" missing", where);
  if (!classesIt->is_array() || classesIt->empty()) {
    fail("\"classes\" must be a non-empty array of strings", where + "/classes");
  }
  std::vector<std::string> classes;
  for (std::size_t i = 0; i < classesIt->size(); ++i) {
    const Json& c = (*classesIt)[i];
    if (!c.is_string()) fail("class name is not a string", where + "/classes/" + std::to_string(i));
    classes.push_back(c.get<std::string>());
  }
  PropertyMap properties;
  if (auto it = e.find("properties"); it != e.end()) {
    if (!it->is_object()) fail("\"properties\" is not an object", where + "/properties");
    for (const auto& [key, value] : it->items()) {
      properties.set(key, convertValue(value, where + "/properties/" + pointerToken(key)));
    }
  }
  const Json* children = nullptr;
  if (auto it = e.find("children"); it != e.end()) {
    if (!it->is_array()) fail("\"children\" is not an array", where + "/children");
    children = &*it;
  }
  const EntryRef ref = registry.add(parent, std::move(classes), std::move(properties));
  if (children) {
    for (std::size_t i = 0; i < children->size(); ++i) {
      convertEntry((*children)[i], ref, where + "/children/" + std::to_string(i), registry);
    }
  }
}

}  // namespace

std::optional<MemoryRegistry> loadRegistryFixture(std::string_view json, std::string& error) {
  Json document;
  FixtureSax sax(document);
  const bool parsed = Json::sax_parse(json.begin(), json.end(), &sax,
                                      nlohmann::detail::input_format_t::json, /*strict=*/true);
  if (!parsed) {
    error = sax.error().empty() ? "not JSON" : sax.error();
    return std::nullopt;
  }
  try {
    if (!document.is_object()) fail("top level is not an object", "");
    auto entries = document.find("entries");
    if (entries == document.end()) fail("\"entries\" missing", "");
    if (!entries->is_array()) fail("\"entries\" is not an array", "/entries");
    MemoryRegistry registry;
    for (std::size_t i = 0; i < entries->size(); ++i) {
      convertEntry((*entries)[i], std::nullopt, "/entries/" + std::to_string(i), registry);
    }
    return registry;
  } catch (const LoadFailed& failed) {
    error = failed.message;
    return std::nullopt;
  }
}

}  // namespace plugscope
