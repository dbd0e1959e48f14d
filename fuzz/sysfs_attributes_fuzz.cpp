// Any bytes as sysfs attribute texts and device names: no reading crashes,
// and what a reading accepts has the shape its contract promises.
//
// The input is split at NUL bytes (which no kernel attribute or name holds)
// into pieces; every piece goes through every reading, and each piece is
// also the unit of the integer reading of the piece before it.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "sysfs_rules/sysfs_attributes.h"
#include "sysfs_rules/sysfs_names.h"

namespace {

namespace sysfs = plugscope::sysfs;

void check(bool holds) {
  if (!holds) std::abort();
}

bool isSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

bool hasSpaceOrBracket(std::string_view text) {
  for (char c : text) {
    if (isSpace(c) || c == '[' || c == ']') return true;
  }
  return false;
}

// The number at the front of a rate text, and the text's unit.
void checkRateText(double megabits) {
  const std::string text = sysfs::rateText(megabits);
  const bool giga = text.ends_with(" Gb/s");
  check(giga || text.ends_with(" Mb/s"));
  const std::string number = text.substr(0, text.size() - 5);
  char* end = nullptr;
  const double shown = std::strtod(number.c_str(), &end);
  check(!number.empty() && end == number.c_str() + number.size());
  // One decimal place at most: within half a tenth of the value in its unit.
  const double value = giga ? megabits / 1000.0 : megabits;
  check(std::fabs(shown - value) <= 0.05 + std::fabs(value) * 1e-12);
}

void attributeReadings(std::string_view piece, std::string_view unit) {
  const std::string_view trimmed = sysfs::trimText(piece);
  check(trimmed.empty() || (!isSpace(trimmed.front()) && !isSpace(trimmed.back())));
  check(piece.find(trimmed) != std::string_view::npos);

  // Well-formed text is kept; the result is always well formed, so a second
  // pass changes nothing.
  const std::string valid = sysfs::validUtf8(piece);
  check(sysfs::validUtf8(valid) == valid);
  check(valid.size() >= piece.size());

  if (auto word = sysfs::selectedWord(piece)) check(!word->empty() && !hasSpaceOrBracket(*word));
  if (auto value = sysfs::integerWithUnit(piece, unit)) check(*value >= 0);
  if (auto value = sysfs::integerWithUnit(piece, "")) {
    check(*value >= 0);
    // Any power an adapter could have converts; zero does not.
    const auto milliwatts = static_cast<double>(*value);
    const bool converts = sysfs::wattsFromMilliwatts(milliwatts).has_value();
    check(milliwatts > 0 ? converts || milliwatts >= 1e18 : !converts);
  }
  (void)sysfs::hexWord(piece);
  if (auto gigabits = sysfs::gigabitsPerSecond(piece)) {
    check(std::isfinite(*gigabits) && *gigabits > 0);
    // The registry drops a lane rate whose megabits overflow.
    if (std::isfinite(*gigabits * 1000.0)) checkRateText(*gigabits * 1000.0);
  }
  if (auto speed = sysfs::usbLinkSpeed(piece)) {
    check(std::isfinite(speed->megabits) && speed->megabits > 0);
    check((speed->lane == sysfs::UsbLane::usb3) == (speed->megabits >= 5000.0));
    checkRateText(speed->megabits);
  }
}

void nameReadings(std::string_view piece) {
  if (auto index = sysfs::typecPortIndex(piece)) check(*index >= 0);
  if (auto device = sysfs::usbDeviceName(piece)) {
    // The kernel's text of a name reads back as the same name.
    check(sysfs::usbDeviceName(sysfs::usbDeviceText(*device)) == device);
  }
  if (auto port = sysfs::usbPortName(piece)) {
    check(port->port > 0);
    const std::string text = sysfs::usbDeviceText(port->hub) + "-port" + std::to_string(port->port);
    check(sysfs::usbPortName(text) == port);
  }
  if (auto index = sysfs::usb4PortIndex(piece)) check(*index >= 0);
  if (auto router = sysfs::routerName(piece)) {
    check(router->domain >= 0 && router->depth >= 0 && router->depth <= 8);
    check((router->depth == 0) == (router->route == 0));
  }
  if (auto domain = sysfs::usb4PortDomain(piece)) check(*domain >= 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  std::vector<std::string_view> pieces;
  for (std::size_t start = 0;;) {
    const std::size_t end = bytes.find('\0', start);
    pieces.push_back(bytes.substr(start, end == std::string_view::npos ? end : end - start));
    if (end == std::string_view::npos) break;
    start = end + 1;
  }
  for (std::size_t i = 0; i < pieces.size(); ++i) {
    const std::string_view unit = i + 1 < pieces.size() ? pieces[i + 1] : "mV";
    attributeReadings(pieces[i], unit);
    nameReadings(pieces[i]);
  }
  // The whole input too, NUL bytes included, as an attribute file could hold.
  if (pieces.size() > 1) attributeReadings(bytes, "mA");
  return 0;
}
