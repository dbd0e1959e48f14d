// Any bytes as a registry fixture: loading never crashes, and a registry
// that loads can be scanned.
#include <cstdint>
#include <string>
#include <string_view>

#include "scanner/port_scan.h"
#include "scanner/registry_fixture.h"
#include "shared/snapshot_json.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  std::string error;
  auto registry = plugscope::loadRegistryFixture(bytes, error);
  if (!registry) return 0;
  const auto snapshot = plugscope::scanPorts(*registry, {0});
  (void)plugscope::encodeSnapshot(snapshot);
  return 0;
}
