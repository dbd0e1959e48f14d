#pragma once

#include <gtk/gtk.h>

#include <memory>
#include <optional>
#include <string>

#include "desktop/application_id.h"
#include "desktop/color_scheme_portal.h"
#include "desktop/desktop_panel.h"
#include "desktop/desktop_settings.h"
#include "desktop/window_content.h"
#include "platform/linux/inotify_reload_requests.h"
#include "shared/clock.h"
#include "host/host_session.h"

namespace plugscope {

// The desktop widget host: one GTK application holding one undecorated
// window that draws the widget as the PNG renderer does, in the family
// chosen from its context menu (or with the keys 1, 2, 3) and in the
// desktop's light or dark appearance. Like the terminal host it asks the
// provider again at the entry's reload date and at once on each reload
// request, here from the GLib main loop. A second launch raises the
// running window. Everything passed in must outlive it.
class DesktopApp final : public DesktopControls {
 public:
  struct Options {
    // After each redraw the window's content is written to this PNG file
    // (atomically), so that tests can see what the window shows.
    std::optional<std::string> screenshotPath;
  };

  DesktopApp(const Widget& widget, const PangoText& text, const Clock& clock,
             InotifyReloadRequests& requests, const DesktopSettingsFile& settingsFile,
             DesktopPanelFactory panelFactory, Options options);
  ~DesktopApp() override;
  DesktopApp(const DesktopApp&) = delete;
  DesktopApp& operator=(const DesktopApp&) = delete;

  // Runs the main loop until the application quits; its exit status.
  int run(const char* programName);

  void showWindow() override;
  void toggleWindow() override;
  void quit() override;
  bool notifyWhenPlugged() const override { return settings_.notifyWhenPlugged; }
  void setNotifyWhenPlugged(bool enabled) override;
  void sendNotification(const std::string& id, const std::string& title,
                        const std::string& body) override;

 private:
  void startup();
  void shutdown();
  void buildWindow();
  void installActions();
  // Asks the provider, redraws, tells the panel, and waits for the next
  // reload date.
  void reload();
  void armTimer();
  void setFamily(WidgetFamily family);
  void setAppearance(Appearance appearance);
  void draw(cairo_t* cairo);
  void writeScreenshot();

  const Widget& widget_;
  const PangoText& text_;
  const Clock& clock_;
  InotifyReloadRequests& requests_;
  const DesktopSettingsFile& settingsFile_;
  DesktopPanelFactory panelFactory_;
  Options options_;

  GtkApplication* app_ = nullptr;
  GtkWindow* window_ = nullptr;
  GtkWidget* area_ = nullptr;
  GtkWidget* menu_ = nullptr;
  GSimpleAction* familyAction_ = nullptr;
  GSimpleAction* notifyAction_ = nullptr;
  guint timer_ = 0;
  guint requestWatch_ = 0;
  guint screenshotIdle_ = 0;

  DesktopSettings settings_;
  Appearance appearance_ = Appearance::light;
  std::unique_ptr<ColorSchemePortal> portal_;
  std::unique_ptr<DesktopPanel> panel_;
  std::optional<HostedEntry> hosted_;
  std::optional<WindowContent> content_;
};

}  // namespace plugscope
