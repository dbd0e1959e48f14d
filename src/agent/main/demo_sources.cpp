// `plugscope-demo-agent`: scans $XDG_DATA_HOME/plugscope-demo/registry.json,
// which demos and tests replace to plug and unplug devices; no device
// event stands for that, so the timer alone drives it.
#include "agent/main/agent_sources.h"
#include "platform/linux/registry/fixture_file_registry_source.h"

namespace plugscope {

std::unique_ptr<RegistrySource> makeAgentRegistrySource(const Environment& env) {
  std::optional<std::string> path;
  if (auto directory = demoDirectory(env)) path = *directory + "/registry.json";
  return std::make_unique<FixtureFileRegistrySource>(std::move(path));
}

std::unique_ptr<DeviceEvents> makeAgentDeviceEvents() { return std::make_unique<NoDeviceEvents>(); }

}  // namespace plugscope
