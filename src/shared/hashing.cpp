#include <bit>
#include <cstdint>
#include <functional>
#include <string>

#include "shared/port_status.h"
#include "shared/snapshot.h"

namespace plugscope {
namespace {

// FNV-1a style mixing of 64-bit words; good enough for hash tables and
// fully determined by the fields, in declaration order.
class Hasher {
 public:
  void word(std::uint64_t v) {
    for (int i = 0; i < 8; ++i) {
      state_ ^= (v >> (i * 8)) & 0xffu;
      state_ *= 0x100000001b3ull;
    }
  }
  void text(const std::string& s) {
    word(s.size());
    word(std::hash<std::string>{}(s));
  }
  void number(double d) { word(std::bit_cast<std::uint64_t>(d == 0.0 ? 0.0 : d)); }
  void flag(bool b) { word(b ? 1 : 0); }
  template <typename T, typename F>
  void optional(const std::optional<T>& o, F&& f) {
    word(o ? 1 : 0);
    if (o) f(*o);
  }
  void port(const PortStatus& p) {
    text(p.id);
    word(static_cast<std::uint64_t>(p.number));
    flag(p.connected);
    word(p.protocols.size());
    for (const auto& name : p.protocols) text(name);
    optional(p.speed, [this](const std::string& s) { text(s); });
    optional(p.device, [this](const std::string& s) { text(s); });
    flag(p.smartCable);
    flag(p.activeCable);
    flag(p.opticalCable);
    optional(p.usbPowerWatts, [this](double d) { number(d); });
    flag(p.powerIn);
  }
  void ports(const std::vector<PortStatus>& list) {
    word(list.size());
    for (const auto& p : list) port(p);
  }
  std::size_t result() const { return static_cast<std::size_t>(state_); }

 private:
  std::uint64_t state_ = 0xcbf29ce484222325ull;
};

}  // namespace

std::size_t hashValue(const PortStatus& port) {
  Hasher h;
  h.port(port);
  return h.result();
}

std::size_t hashValue(const std::vector<PortStatus>& ports) {
  Hasher h;
  h.ports(ports);
  return h.result();
}

std::size_t hashValue(const Snapshot& snapshot) {
  Hasher h;
  h.ports(snapshot.ports);
  h.optional(snapshot.chargerWatts, [&h](std::int64_t w) { h.word(static_cast<std::uint64_t>(w)); });
  h.number(snapshot.taken.seconds);
  return h.result();
}

}  // namespace plugscope
