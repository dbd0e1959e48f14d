#include "shared/snapshot_json.h"

#include <cmath>
#include <nlohmann/json.hpp>

#include "shared/json_text.h"

namespace plugscope {
namespace {

// ---- writing ----

// Emits objects and arrays in either layout; values go through json_text.
class Writer {
 public:
  explicit Writer(JsonLayout layout) : pretty_(layout == JsonLayout::pretty) {}

  void openObject() { open('{'); }
  void closeObject() { close('}'); }
  void openArray() { open('['); }
  void closeArray() { close(']'); }

  // Starts a member of the current object.
  void key(std::string_view name) {
    separate();
    appendJsonString(out_, name);
    out_ += pretty_ ? ": " : ":";
    pendingValue_ = true;
  }
  void string(std::string_view s) { beginValue(); appendJsonString(out_, s); }
  void integer(std::int64_t v) { beginValue(); appendJsonInteger(out_, v); }
  void boolean(bool b) { beginValue(); out_ += b ? "true" : "false"; }
  bool number(double d) { beginValue(); return appendJsonNumber(out_, d); }

  std::string take() { return std::move(out_); }

 private:
  void open(char bracket) {
    beginValue();
    out_.push_back(bracket);
    ++depth_;
    first_ = true;
  }
  void close(char bracket) {
    --depth_;
    if (pretty_ && !first_) newline();
    out_.push_back(bracket);
    first_ = false;
  }
  // Comma and indentation before an array element or a member key.
  void separate() {
    if (!first_) out_.push_back(',');
    if (pretty_) newline();
    first_ = false;
  }
  void beginValue() {
    if (pendingValue_) {
      pendingValue_ = false;
    } else if (depth_ > 0) {
      separate();
    }
  }
  void newline() {
    out_.push_back('\n');
    out_.append(static_cast<std::size_t>(depth_) * 2, ' ');
  }

  std::string out_;
  bool pretty_;
  int depth_ = 0;
  bool first_ = true;
  bool pendingValue_ = false;
};

bool writePort(Writer& w, const PortStatus& p) {
  w.openObject();
  w.key("id"), w.string(p.id);
  w.key("number"), w.integer(p.number);
  w.key("connected"), w.boolean(p.connected);
  w.key("protocols");
  w.openArray();
  for (const auto& name : p.protocols) w.string(name);
  w.closeArray();
  if (p.speed) w.key("speed"), w.string(*p.speed);
  if (p.device) w.key("device"), w.string(*p.device);
  w.key("smartCable"), w.boolean(p.smartCable);
  w.key("activeCable"), w.boolean(p.activeCable);
  w.key("opticalCable"), w.boolean(p.opticalCable);
  if (p.usbPowerWatts) {
    w.key("usbPowerWatts");
    if (!w.number(*p.usbPowerWatts)) return false;
  }
  w.key("powerIn"), w.boolean(p.powerIn);
  w.closeObject();
  return true;
}

// ---- reading ----

using Json = nlohmann::json;

struct ReadFailed {
  JsonReadError error;
};

[[noreturn]] void fail(JsonReadFailure failure, std::string where) {
  throw ReadFailed{JsonReadError{failure, std::move(where)}};
}

// The member `key` of `object`, or nullptr when missing or null and optional.
const Json* member(const Json& object, const std::string& key, const std::string& path,
                   bool required) {
  auto it = object.find(key);
  if (it == object.end()) {
    if (required) fail(JsonReadFailure::missingKey, path + "/" + key);
    return nullptr;
  }
  if (it->is_null()) {
    if (required) fail(JsonReadFailure::nullValue, path + "/" + key);
    return nullptr;
  }
  return &*it;
}

std::string readString(const Json& v, const std::string& where) {
  if (!v.is_string()) fail(JsonReadFailure::wrongType, where);
  return v.get<std::string>();
}

bool readBool(const Json& v, const std::string& where) {
  if (!v.is_boolean()) fail(JsonReadFailure::wrongType, where);
  return v.get<bool>();
}

// A JSON number whose value is whole and fits int64; 3.0 reads as 3.
std::int64_t readInteger(const Json& v, const std::string& where) {
  if (v.is_number_integer() && !v.is_number_unsigned()) return v.get<std::int64_t>();
  if (v.is_number_unsigned()) {
    const auto u = v.get<std::uint64_t>();
    if (u > static_cast<std::uint64_t>(INT64_MAX)) fail(JsonReadFailure::wrongType, where);
    return static_cast<std::int64_t>(u);
  }
  if (v.is_number_float()) {
    const double d = v.get<double>();
    // 2^63 is exactly representable; the range is [-2^63, 2^63).
    if (std::isfinite(d) && std::trunc(d) == d && d >= -9223372036854775808.0 &&
        d < 9223372036854775808.0) {
      return static_cast<std::int64_t>(d);
    }
  }
  fail(JsonReadFailure::wrongType, where);
}

double readDouble(const Json& v, const std::string& where) {
  if (!v.is_number()) fail(JsonReadFailure::wrongType, where);
  return v.get<double>();
}

PortStatus readPort(const Json& v, const std::string& path) {
  if (!v.is_object()) fail(JsonReadFailure::wrongType, path);
  PortStatus p;
  p.id = readString(*member(v, "id", path, true), path + "/id");
  p.number = readInteger(*member(v, "number", path, true), path + "/number");
  p.connected = readBool(*member(v, "connected", path, true), path + "/connected");
  const Json& protocols = *member(v, "protocols", path, true);
  if (!protocols.is_array()) fail(JsonReadFailure::wrongType, path + "/protocols");
  for (std::size_t i = 0; i < protocols.size(); ++i) {
    p.protocols.push_back(readString(protocols[i], path + "/protocols/" + std::to_string(i)));
  }
  if (const Json* s = member(v, "speed", path, false)) p.speed = readString(*s, path + "/speed");
  if (const Json* d = member(v, "device", path, false)) p.device = readString(*d, path + "/device");
  p.smartCable = readBool(*member(v, "smartCable", path, true), path + "/smartCable");
  p.activeCable = readBool(*member(v, "activeCable", path, true), path + "/activeCable");
  p.opticalCable = readBool(*member(v, "opticalCable", path, true), path + "/opticalCable");
  if (const Json* w = member(v, "usbPowerWatts", path, false)) {
    p.usbPowerWatts = readDouble(*w, path + "/usbPowerWatts");
  }
  p.powerIn = readBool(*member(v, "powerIn", path, true), path + "/powerIn");
  return p;
}

Snapshot readSnapshot(const Json& v) {
  if (!v.is_object()) fail(JsonReadFailure::malformedJson, "");
  Snapshot s;
  const Json& ports = *member(v, "ports", "", true);
  if (!ports.is_array()) fail(JsonReadFailure::wrongType, "/ports");
  s.ports.reserve(ports.size());
  for (std::size_t i = 0; i < ports.size(); ++i) {
    s.ports.push_back(readPort(ports[i], "/ports/" + std::to_string(i)));
  }
  if (const Json* w = member(v, "chargerWatts", "", false)) {
    s.chargerWatts = readInteger(*w, "/chargerWatts");
  }
  s.taken.seconds = readDouble(*member(v, "taken", "", true), "/taken");
  return s;
}

template <typename T, typename F>
JsonReadResult<T> decodeWith(std::string_view bytes, F&& read) {
  Json parsed = Json::parse(bytes.begin(), bytes.end(), nullptr, /*allow_exceptions=*/false);
  if (parsed.is_discarded()) return JsonReadError{JsonReadFailure::malformedJson, ""};
  try {
    return read(parsed);
  } catch (const ReadFailed& failed) {
    return failed.error;
  }
}

}  // namespace

std::optional<std::string> encodeSnapshot(const Snapshot& snapshot, JsonLayout layout) {
  Writer w(layout);
  w.openObject();
  w.key("ports");
  w.openArray();
  for (const auto& port : snapshot.ports) {
    if (!writePort(w, port)) return std::nullopt;
  }
  w.closeArray();
  if (snapshot.chargerWatts) w.key("chargerWatts"), w.integer(*snapshot.chargerWatts);
  w.key("taken");
  if (!w.number(snapshot.taken.seconds)) return std::nullopt;
  w.closeObject();
  return w.take();
}

std::optional<std::string> encodePortStatus(const PortStatus& port, JsonLayout layout) {
  Writer w(layout);
  if (!writePort(w, port)) return std::nullopt;
  return w.take();
}

JsonReadResult<Snapshot> decodeSnapshot(std::string_view bytes) {
  return decodeWith<Snapshot>(bytes, [](const Json& v) { return readSnapshot(v); });
}

JsonReadResult<PortStatus> decodePortStatus(std::string_view bytes) {
  return decodeWith<PortStatus>(bytes, [](const Json& v) {
    if (!v.is_object()) fail(JsonReadFailure::malformedJson, "");
    return readPort(v, "");
  });
}

std::optional<Snapshot> decodeSnapshotOrNone(std::string_view bytes) {
  auto result = decodeSnapshot(bytes);
  if (auto* s = std::get_if<Snapshot>(&result)) return std::move(*s);
  return std::nullopt;
}

}  // namespace plugscope
