#include "advice/pd_identity.h"

#include "sysfs_rules/sysfs_attributes.h"

namespace plugscope::advice {

std::optional<std::uint32_t> vdoWord(const SysfsText& text) {
  return text ? sysfs::hexWord(*text) : std::nullopt;
}

std::uint32_t productType(std::uint32_t idHeader) { return (idHeader >> 27) & 0x7; }
bool modal(std::uint32_t idHeader) { return (idHeader >> 26) & 0x1; }
std::uint32_t connectorType(std::uint32_t idHeader) { return (idHeader >> 21) & 0x3; }

std::uint32_t cableSpeed(std::uint32_t vdo1) { return vdo1 & 0x7; }
std::uint32_t cableCurrent(std::uint32_t vdo1) { return (vdo1 >> 5) & 0x3; }
std::uint32_t cablePlugType(std::uint32_t vdo1) { return (vdo1 >> 18) & 0x3; }
std::uint32_t cableVdoVersion(std::uint32_t vdo1) { return (vdo1 >> 21) & 0x7; }
bool activeCableLacksUsb4(std::uint32_t vdo2) { return (vdo2 >> 8) & 0x1; }

std::uint32_t ufpSpeed(std::uint32_t ufpVdo) { return ufpVdo & 0x7; }
bool ufpUsb4(std::uint32_t ufpVdo) { return (ufpVdo >> 27) & 0x1; }

std::optional<std::int64_t> speedCodeMbps(std::uint32_t code) {
  switch (code) {
    case 0: return 480;
    case 1: return 5000;
    case 2: return 10000;
    case 3: return 40000;
    case 4: return 80000;
    default: return std::nullopt;
  }
}

bool thunderboltMode(std::uint32_t vdo) { return vdo & 0x1; }
std::uint32_t thunderboltCableSpeed(std::uint32_t vdo) { return (vdo >> 16) & 0x7; }
bool thunderboltCableRounded(std::uint32_t vdo) { return (vdo >> 19) & 0x1; }

bool displayPortSink(std::uint32_t vdo) { return vdo & 0x1; }
bool displayPortReceptacle(std::uint32_t vdo) { return (vdo >> 6) & 0x1; }

PdRevision pdRevision(const SysfsText& text) {
  if (!text) return PdRevision::unknown;
  const std::string_view value = sysfs::trimText(*text);
  if (value == "2.0") return PdRevision::pd20;
  if (value == "3.0") return PdRevision::pd30;
  // 3.1, 3.2 and later minor revisions of PD 3.
  if (value.size() == 3 && value[0] == '3' && value[1] == '.' && value[2] >= '1' && value[2] <= '9') {
    return PdRevision::pd31;
  }
  return PdRevision::unknown;
}

}  // namespace plugscope::advice
