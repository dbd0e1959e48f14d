// Any bytes as the snapshot file: reading never crashes, keeps within its
// bounds, and whatever reads writes back to bytes that read as the same
// snapshot.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "shared/snapshot_json.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  auto snapshot = plugscope::decodeSnapshotOrNone(bytes);
  if (!snapshot) return 0;
  // What reads stays within the readers' bounds.
  if (snapshot->ports.size() > plugscope::kMaxSnapshotPorts) std::abort();
  for (const auto& port : snapshot->ports) {
    if (port.protocols.size() > plugscope::kMaxPortProtocols) std::abort();
  }
  auto written = plugscope::encodeSnapshot(*snapshot);
  if (!written) return 0;  // only a non-finite number can fail, and JSON has none
  auto again = plugscope::decodeSnapshotOrNone(*written);
  if (!again || !(*again == *snapshot)) std::abort();
  // -0.0 is written "-0", an integer that reads as 0.0: equal, but other
  // bytes. From the second writing on, the bytes stay the same.
  auto rewritten = plugscope::encodeSnapshot(*again);
  auto third = rewritten ? plugscope::decodeSnapshotOrNone(*rewritten) : std::nullopt;
  if (!third || plugscope::encodeSnapshot(*third) != rewritten) std::abort();
  return 0;
}
