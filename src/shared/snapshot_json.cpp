#include "shared/snapshot_json.h"

#include <cmath>
#include <nlohmann/json.hpp>

#include "shared/json_nesting.h"
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

// Where a value sits: its parent's JSON pointer and its key or index. The
// pointer text is only built when a read fails.
struct Where {
  const std::string& parent;
  std::string_view key;
  std::size_t index = 0;
  bool isIndex = false;

  std::string pointer() const {
    return parent + "/" + (isIndex ? std::to_string(index) : std::string(key));
  }
};

[[noreturn]] void fail(JsonReadFailure failure, std::string where) {
  throw ReadFailed{JsonReadError{failure, std::move(where)}};
}

[[noreturn]] void fail(JsonReadFailure failure, const Where& where) {
  fail(failure, where.pointer());
}

// The member `key` of `object`; nullptr when it is missing or null and
// optional.
const Json* member(const Json& object, const Where& where, bool required) {
  auto it = object.find(where.key);
  if (it == object.end()) {
    if (required) fail(JsonReadFailure::missingKey, where);
    return nullptr;
  }
  if (it->is_null()) {
    if (required) fail(JsonReadFailure::nullValue, where);
    return nullptr;
  }
  return &*it;
}

std::string readString(const Json& v, const Where& where) {
  if (!v.is_string()) fail(JsonReadFailure::wrongType, where);
  return v.get<std::string>();
}

bool readBool(const Json& v, const Where& where) {
  if (!v.is_boolean()) fail(JsonReadFailure::wrongType, where);
  return v.get<bool>();
}

// A JSON number whose value is whole and fits int64; 3.0 reads as 3.
std::int64_t readInteger(const Json& v, const Where& where) {
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

double readDouble(const Json& v, const Where& where) {
  if (!v.is_number()) fail(JsonReadFailure::wrongType, where);
  return v.get<double>();
}

// Readers of one member of `object`, required or optional.
template <typename T, typename Read>
T required(const Json& object, const std::string& path, std::string_view key, Read read) {
  const Where where{path, key};
  return read(*member(object, where, true), where);
}

template <typename T, typename Read>
std::optional<T> optional(const Json& object, const std::string& path, std::string_view key,
                          Read read) {
  const Where where{path, key};
  if (const Json* v = member(object, where, false)) return read(*v, where);
  return std::nullopt;
}

PortStatus readPort(const Json& v, const std::string& path) {
  if (!v.is_object()) fail(JsonReadFailure::wrongType, path);
  PortStatus p;
  p.id = required<std::string>(v, path, "id", readString);
  p.number = required<std::int64_t>(v, path, "number", readInteger);
  p.connected = required<bool>(v, path, "connected", readBool);
  const Where protocolsAt{path, "protocols"};
  const Json& protocols = *member(v, protocolsAt, true);
  if (!protocols.is_array()) fail(JsonReadFailure::wrongType, protocolsAt);
  p.protocols.reserve(protocols.size());
  for (std::size_t i = 0; i < protocols.size(); ++i) {
    if (!protocols[i].is_string()) {
      fail(JsonReadFailure::wrongType, protocolsAt.pointer() + "/" + std::to_string(i));
    }
    p.protocols.push_back(protocols[i].get<std::string>());
  }
  p.speed = optional<std::string>(v, path, "speed", readString);
  p.device = optional<std::string>(v, path, "device", readString);
  p.smartCable = required<bool>(v, path, "smartCable", readBool);
  p.activeCable = required<bool>(v, path, "activeCable", readBool);
  p.opticalCable = required<bool>(v, path, "opticalCable", readBool);
  p.usbPowerWatts = optional<double>(v, path, "usbPowerWatts", readDouble);
  p.powerIn = required<bool>(v, path, "powerIn", readBool);
  return p;
}

Snapshot readSnapshot(const Json& v) {
  if (!v.is_object()) fail(JsonReadFailure::malformedJson, "");
  static const std::string kRoot;
  Snapshot s;
  const Where portsAt{kRoot, "ports"};
  const Json& ports = *member(v, portsAt, true);
  if (!ports.is_array()) fail(JsonReadFailure::wrongType, portsAt);
  s.ports.reserve(ports.size());
  std::string path;
  for (std::size_t i = 0; i < ports.size(); ++i) {
    path = "/ports/" + std::to_string(i);
    s.ports.push_back(readPort(ports[i], path));
  }
  s.chargerWatts = optional<std::int64_t>(v, kRoot, "chargerWatts", readInteger);
  s.taken.seconds = required<double>(v, kRoot, "taken", readDouble);
  return s;
}

template <typename T, typename F>
JsonReadResult<T> decodeWith(std::string_view bytes, F&& read) {
  // A snapshot nests four levels; refuse a bracket bomb before it is parsed.
  if (!jsonNestingWithin(bytes, kMaxJsonNesting)) {
    return JsonReadError{JsonReadFailure::malformedJson, ""};
  }
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
