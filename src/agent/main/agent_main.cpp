// The background agent: no arguments, no output, no window. Wires the real
// platform pieces together and runs until the system or the user ends it.
#include <memory>

#include "agent/main/agent_sources.h"
#include "agent/plugscope_app.h"
#include "agent/refresh_cycle.h"
#include "agent/refresh_steps.h"
#include "platform/linux/agent/file_reload_requester.h"
#include "platform/linux/agent/spawn_process_runner.h"
#include "platform/linux/agent/timerfd_event_loop.h"
#include "platform/linux/autostart/xdg_autostart_login_item.h"
#include "platform/linux/system/posix_file_system.h"
#include "platform/linux/system/system_clock.h"
#include "platform/linux/system/xdg_container_locator.h"
#include "platform/linux/system/xdg_dirs.h"
#include "shared/snapshot_store.h"

int main() {
  using namespace plugscope;
  const ProcessEnvironment env;
  const SystemClock clock;
  PosixFileSystem files;
  const XdgContainerLocator locator(env, files);
  const SnapshotStore store(locator, files);
  SpawnProcessRunner runner;
  FileReloadRequester reload(env, files);
  XdgAutostartLoginItem loginItem(env, files, currentExecutablePath());
  TimerFdEventLoop loop;

  const std::unique_ptr<RegistrySource> source = makeAgentRegistrySource(env);
  const std::unique_ptr<DeviceEvents> devices = makeAgentDeviceEvents();
  RegistryPortScanner scanner(*source);
  ThunderboltMerger merger(runner);
  StoreSnapshotWriter writer(store);

  auto app = std::make_shared<PlugscopeApp>(
      loginItem, RefreshCycle(clock, scanner, merger, writer, reload), loop, *devices);
  app->didFinishLaunching();
  loop.run();
  return 0;
}
