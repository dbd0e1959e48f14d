// `plugscope-demo-agent`: scans $XDG_DATA_HOME/plugscope-demo/registry.json,
// which demos and tests replace to plug and unplug devices.
#include "agent/main/agent_registry_source.h"
#include "platform/linux/fixture_file_registry_source.h"

namespace plugscope {

std::unique_ptr<RegistrySource> makeAgentRegistrySource(const Environment& env) {
  std::optional<std::string> path;
  if (auto directory = demoDirectory(env)) path = *directory + "/registry.json";
  return std::make_unique<FixtureFileRegistrySource>(std::move(path));
}

}  // namespace plugscope
