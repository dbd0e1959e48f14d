#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "desktop/application_id.h"
#include "desktop/panel_entry.h"

namespace plugscope {

// Where the item and its menu live on the bus.
inline constexpr const char* kStatusNotifierItemPath = "/StatusNotifierItem";
inline constexpr const char* kPanelMenuPath = "/MenuBar";
// What a click in the panel asks of the application. A missing function
// is a click that does nothing.
struct PanelCallbacks {
  std::function<void()> activate;                     // left click: show or hide the window
  std::function<void()> showWidget;                   // "Show widget": raise the window
  std::function<void(bool enabled)> setNotifyOnPlug;  // the toggle's new state
  std::function<void(bool enabled)> setStartAtLogin;  // the toggle's new state
  std::function<void()> quit;
};

// The panel entry as a StatusNotifierItem (org.kde.StatusNotifierItem at
// kStatusNotifierItemPath) with a com.canonical.dbusmenu menu at
// kPanelMenuPath, over GIO's D-Bus. The item registers the connection's
// unique name with every org.kde.StatusNotifierWatcher that owns its name,
// now or later. It never shows or asks for a GUI itself: clicks become
// the callbacks.
//
// Everything runs on the GLib main context that is the thread's default
// when the item is made: the bus is connected asynchronously there, and
// method calls and callbacks arrive there; update() must be called on that
// thread. Without a bus, or without a watcher, nothing fails: the item
// just keeps its state. A callback may destroy the item.
class StatusNotifierItem final : public PanelEntry {
 public:
  // `busAddress`: the bus to connect to; the session bus when none.
  StatusNotifierItem(PanelState state, PanelCallbacks callbacks,
                     std::optional<std::string> busAddress = std::nullopt);
  ~StatusNotifierItem() override;
  StatusNotifierItem(const StatusNotifierItem&) = delete;
  StatusNotifierItem& operator=(const StatusNotifierItem&) = delete;

  // Emits NewTitle, NewToolTip and XAyatanaNewLabel when the summary
  // changed, and the menu's LayoutUpdated with the next revision when the
  // menu changed.
  void update(const PanelState& state) override;

  // Whether a panel's watcher is there to show the item.
  bool inPanel() const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

// The members of one exported interface as its dispatch table lists them
// (busInterfaceListing).
struct BusInterfaceListing {
  std::string name;
  std::vector<std::string> members;
};

// Every interface the item exports, from its tables; and the introspection
// XML it publishes for them. The two must agree member for member.
std::vector<BusInterfaceListing> statusNotifierInterfaces();
const char* statusNotifierIntrospection();

}  // namespace plugscope
