#include "advice/bos_descriptor.h"

#include <cstdint>

namespace plugscope::advice {
namespace {

constexpr std::uint8_t kBosType = 0x0f;
constexpr std::uint8_t kDeviceCapabilityType = 0x10;
constexpr std::uint8_t kSuperSpeedCapability = 0x03;
constexpr std::uint8_t kSuperSpeedPlusCapability = 0x0a;

std::uint32_t byteAt(std::string_view bytes, std::size_t at) {
  return static_cast<unsigned char>(bytes[at]);
}

// Little-endian, as every multi-byte descriptor field.
std::uint32_t littleEndian(std::string_view bytes, std::size_t at, std::size_t size) {
  std::uint32_t value = 0;
  for (std::size_t i = size; i-- > 0;) value = (value << 8) | byteAt(bytes, at + i);
  return value;
}

void keepFaster(std::optional<double>& best, double megabits) {
  if (!best || megabits > *best) best = megabits;
}

// wSpeedsSupported: bit 0 low, 1 full, 2 high speed, 3 5 Gb/s.
void superSpeed(std::string_view cap, std::optional<double>& best) {
  if (cap.size() < 10) return;
  const std::uint32_t speeds = littleEndian(cap, 4, 2);
  constexpr double kMegabits[] = {1.5, 12, 480, 5000};
  for (int bit = 0; bit < 4; ++bit) {
    if (speeds & (1u << bit)) keepFaster(best, kMegabits[bit]);
  }
}

// bmAttributes bits 4..0: sublink speed attribute count - 1; each
// attribute: lane speed exponent (bits 5..4: b/s, Kb/s, Mb/s, Gb/s) and
// mantissa (bits 31..16).
void superSpeedPlus(std::string_view cap, std::optional<double>& best) {
  if (cap.size() < 12) return;
  const std::size_t count = (littleEndian(cap, 4, 4) & 0x1f) + 1;
  constexpr double kToMegabits[] = {1e-6, 1e-3, 1, 1e3};
  for (std::size_t i = 0; i < count && 12 + 4 * (i + 1) <= cap.size(); ++i) {
    const std::uint32_t attribute = littleEndian(cap, 12 + 4 * i, 4);
    const double mantissa = attribute >> 16;
    if (mantissa > 0) keepFaster(best, mantissa * kToMegabits[(attribute >> 4) & 0x3]);
  }
}

}  // namespace

std::optional<double> bosBestMegabits(std::string_view bytes) {
  if (bytes.size() < 5 || byteAt(bytes, 0) < 5 || byteAt(bytes, 1) != kBosType) {
    return std::nullopt;
  }
  std::optional<double> best;
  std::size_t at = byteAt(bytes, 0);
  while (at + 3 <= bytes.size()) {
    const std::size_t length = byteAt(bytes, at);
    if (length < 3 || at + length > bytes.size()) break;
    const std::string_view cap = bytes.substr(at, length);
    if (byteAt(cap, 1) == kDeviceCapabilityType) {
      if (byteAt(cap, 2) == kSuperSpeedCapability) superSpeed(cap, best);
      if (byteAt(cap, 2) == kSuperSpeedPlusCapability) superSpeedPlus(cap, best);
    }
    at += length;
  }
  return best;
}

}  // namespace plugscope::advice
