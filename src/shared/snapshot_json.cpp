#include "shared/snapshot_json.h"

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

const JsonFields<PortStatus>& portFields() {
  static const JsonFields<PortStatus> fields{
      jsonField("id", &PortStatus::id),
      jsonField("number", &PortStatus::number),
      jsonField("connected", &PortStatus::connected),
      jsonList("protocols", &PortStatus::protocols, kMaxPortProtocols),
      jsonField("speed", &PortStatus::speed),
      jsonField("device", &PortStatus::device),
      jsonField("smartCable", &PortStatus::smartCable),
      jsonField("activeCable", &PortStatus::activeCable),
      jsonField("opticalCable", &PortStatus::opticalCable),
      jsonField("usbPowerWatts", &PortStatus::usbPowerWatts),
      jsonField("powerIn", &PortStatus::powerIn),
  };
  return fields;
}

const JsonFields<Snapshot>& snapshotFields() {
  static const JsonFields<Snapshot> fields{
      jsonList("ports", &Snapshot::ports, portFields(), kMaxSnapshotPorts),
      jsonField("chargerWatts", &Snapshot::chargerWatts),
      jsonField<Snapshot>("taken", [](Snapshot& s) -> double& { return s.taken.seconds; }),
  };
  return fields;
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
  return readJsonRecord(bytes, snapshotFields());
}

JsonReadResult<PortStatus> decodePortStatus(std::string_view bytes) {
  return readJsonRecord(bytes, portFields());
}

std::optional<Snapshot> decodeSnapshotOrNone(std::string_view bytes) {
  auto result = decodeSnapshot(bytes);
  if (auto* s = std::get_if<Snapshot>(&result)) return std::move(*s);
  return std::nullopt;
}

}  // namespace plugscope
