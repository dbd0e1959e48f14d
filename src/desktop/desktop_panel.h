#pragma once

#include <gio/gio.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "shared/advice.h"
#include "widget_api/cable_entry.h"
#include "widget_api/widget_extension.h"

namespace plugscope {

// What an entry in the panel's status area may ask of the desktop host.
// Called on the main thread only.
class DesktopControls {
 public:
  virtual ~DesktopControls() = default;
  virtual void showWindow() = 0;
  // Shows the window when it is hidden, else hides it.
  virtual void toggleWindow() = 0;
  virtual void quit() = 0;
  virtual bool notifyWhenPlugged() const = 0;
  // Changes and stores the choice.
  virtual void setNotifyWhenPlugged(bool enabled) = 0;
  // Read afresh each time: the session's own settings may change it.
  virtual bool startsAtLogin() const = 0;
  virtual void setStartAtLogin(bool enabled) = 0;
  // A desktop notification, sent only while notifyWhenPlugged() is on; a
  // later one with the same `id` replaces it.
  virtual void sendNotification(const std::string& id, const std::string& title,
                                const std::string& body) = 0;
};

// The desktop host's entry in the panel's status area, kept beside the
// window. Called on the main thread only.
class DesktopPanel {
 public:
  virtual ~DesktopPanel() = default;
  // Each new timeline entry, once the window has taken it; also the first.
  // `advice`: the hints about its snapshot (HintSource::adviceFor), none
  // when no advice is about it.
  virtual void showEntry(const CableEntry& entry,
                         const std::optional<std::vector<AdviceEntry>>& advice) = 0;
  // A choice the menu shows changed (from the window's menu or the panel's).
  virtual void choicesChanged() = 0;
  // Whether a panel shows the entry now, so that a hidden window can be
  // brought back from it.
  virtual bool inPanel() const = 0;
};

// Makes the panel entry once the application holds its bus name. `bus` is
// null without a session bus; the factory may give null (no panel).
using DesktopPanelFactory = std::function<std::unique_ptr<DesktopPanel>(
    DesktopControls& controls, const Widget& widget, GDBusConnection* bus)>;

}  // namespace plugscope
