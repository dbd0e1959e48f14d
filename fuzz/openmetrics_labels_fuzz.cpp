// Any bytes as the names a device gives: a label value is always valid
// UTF-8 of at most 256 bytes, its escaped form reads back as that value, and
// a document built from such names keeps one series per line, the families
// its ports call for, and one "# EOF" at its end.
//
// The input's first half names the ports, its second half their device, and
// the whole input is a protocol, a speed and a hint of each port.
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>
#include <string_view>

#include "metrics/label_value.h"
#include "metrics/openmetrics.h"

namespace {

void check(bool holds) {
  if (!holds) std::abort();
}

// Valid UTF-8 (no overlong forms or surrogates) without control characters
// other than the line feed.
bool isCleanUtf8(std::string_view text) {
  for (std::size_t i = 0; i < text.size();) {
    const auto lead = static_cast<unsigned char>(text[i]);
    std::size_t length = 1;
    std::uint32_t cp = lead;
    if (lead >= 0xf0 && lead <= 0xf4) {
      length = 4, cp = lead & 0x07;
    } else if (lead >= 0xe0 && lead <= 0xef) {
      length = 3, cp = lead & 0x0f;
    } else if (lead >= 0xc2 && lead <= 0xdf) {
      length = 2, cp = lead & 0x1f;
    } else if (lead >= 0x80) {
      return false;
    }
    if (i + length > text.size()) return false;
    for (std::size_t k = 1; k < length; ++k) {
      const auto next = static_cast<unsigned char>(text[i + k]);
      if ((next & 0xc0) != 0x80) return false;
      cp = (cp << 6) | (next & 0x3f);
    }
    if ((length == 3 && (cp < 0x800 || (cp >= 0xd800 && cp <= 0xdfff))) ||
        (length == 4 && (cp < 0x10000 || cp > 0x10ffff))) {
      return false;
    }
    if ((cp < 0x20 && cp != '\n') || cp == 0x7f) return false;
    i += length;
  }
  return true;
}

// The value between the quotes of an escaped label, read back; aborts on a
// raw quote or line feed, or an escape the formats do not know.
std::string unescaped(std::string_view quoted) {
  check(quoted.size() >= 2 && quoted.front() == '"' && quoted.back() == '"');
  quoted = quoted.substr(1, quoted.size() - 2);
  std::string value;
  for (std::size_t i = 0; i < quoted.size(); ++i) {
    const char c = quoted[i];
    check(c != '"' && c != '\n');
    if (c != '\\') {
      value.push_back(c);
      continue;
    }
    check(++i < quoted.size());
    switch (quoted[i]) {
      case '\\': value.push_back('\\'); break;
      case '"': value.push_back('"'); break;
      case 'n': value.push_back('\n'); break;
      default: check(false);
    }
  }
  return value;
}

void labelChecks(std::string_view text) {
  const std::string value = plugscope::labelValue(text);
  check(value.size() <= plugscope::kMaxLabelValueBytes);
  check(isCleanUtf8(value));
  check(plugscope::labelValue(value) == value);
  if (isCleanUtf8(text) && text.size() <= plugscope::kMaxLabelValueBytes) check(value == text);
  std::string quoted;
  plugscope::appendLabelValue(quoted, text);
  check(unescaped(quoted) == value);
}

void documentChecks(std::string_view ids, std::string_view devices, std::string_view all) {
  plugscope::Snapshot snapshot;
  for (std::int64_t number : {1, 2}) {
    plugscope::PortStatus port;
    port.number = number;
    port.id = std::string(ids);
    port.device = std::string(devices);
    port.protocols = {std::string(all)};
    port.speed = std::string(all);
    snapshot.ports.push_back(port);
  }
  const std::vector<plugscope::PortHint> hints = {{1, std::string(all)}, {2, std::string(all)}};
  const auto text = plugscope::encodeOpenMetrics(snapshot, hints);
  check(text.has_value());

  // Two ports: info, connected, power in, protocol, hint, one each; three
  // cable kinds; a speed when the text names one; and the time.
  const bool speed = plugscope::linkSpeedBytesPerSecond(all).has_value();
  const std::size_t expected = 2 * (5 + 3 + (speed ? 1 : 0)) + 1;
  std::size_t series = 0;
  std::size_t ends = 0;
  std::istringstream in(*text);
  for (std::string line; std::getline(in, line);) {
    if (line == "# EOF") {
      ++ends;
    } else if (line.starts_with("plugscope_")) {
      ++series;
    } else {
      check(line.starts_with("# HELP plugscope_") || line.starts_with("# TYPE plugscope_"));
    }
  }
  check(series == expected && ends == 1 && text->ends_with("\n# EOF\n"));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const std::string_view ids = bytes.substr(0, size / 2);
  const std::string_view devices = bytes.substr(size / 2);
  labelChecks(bytes);
  labelChecks(ids);
  labelChecks(devices);
  documentChecks(ids, devices, bytes);
  return 0;
}
