// PlugscopeWidget's entry point: the plug-in's composition root. Wires the
// real store, clock, registry and string tables to the widget the first
// time a host asks, and keeps them for as long as the plug-in is loaded.
#include <mutex>

#include "platform/linux/registry/sysfs_registry.h"
#include "platform/linux/system/gettext_string_table.h"
#include "platform/linux/system/object_location.h"
#include "platform/linux/system/posix_file_system.h"
#include "platform/linux/system/system_clock.h"
#include "platform/linux/system/xdg_container_locator.h"
#include "platform/linux/system/xdg_dirs.h"
#include "shared/snapshot_store.h"
#include "widget/cable_provider.h"
#include "widget/cable_widget.h"
#include "widget_api/widget_extension.h"

namespace plugscope {
namespace {

class StoredSnapshots final : public SnapshotLoader {
 public:
  explicit StoredSnapshots(const SnapshotStore& store) : store_(store) {}
  std::optional<Snapshot> loadSnapshot() const override { return store_.loadSnapshot(); }

 private:
  const SnapshotStore& store_;
};

// Hosts may ask from several threads at once; the registry source reads
// one tree at a time. The registry it hands out is not shared with it, so
// only taking it needs the lock.
class OneAtATime final : public RegistrySource {
 public:
  explicit OneAtATime(RegistrySource& source) : source_(source) {}
  std::shared_ptr<const RegistryAccess> current() override {
    const std::lock_guard lock(mutex_);
    return source_.current();
  }

 private:
  RegistrySource& source_;
  std::mutex mutex_;
};

std::string localeDirectory() {
  const auto directory =
      directoryOfLoadedObject(reinterpret_cast<const void*>(&plugscope_extension_main));
  return directory ? *directory + "/" + PLUGSCOPE_LOCALE_FROM_MODULE : "/usr/share/locale";
}

struct Extension {
  ProcessEnvironment environment;
  PosixFileSystem files;
  XdgContainerLocator locator{environment, files};
  SnapshotStore store{locator, files};
  StoredSnapshots storedSnapshots{store};
  // The machine's registry for the live scan, when no snapshot is stored.
  SysfsRegistrySource sysfs;
  OneAtATime registry{sysfs};
  SystemClock clock;
  CableProvider provider{storedSnapshots, registry, clock};
  GettextStringTable strings{PLUGSCOPE_TEXT_DOMAIN, localeDirectory()};
  CableWidget widget{provider, strings};
  WidgetExtension record{kWidgetInterfaceVersion, &widget};
};

}  // namespace
}  // namespace plugscope

extern "C" const plugscope::WidgetExtension* plugscope_extension_main() {
  // Built on the first call, once even when threads race to it.
  static plugscope::Extension extension;
  return &extension.record;
}
