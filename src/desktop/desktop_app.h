#pragma once

#include <gtk/gtk.h>

#include <memory>
#include <optional>
#include <string>

#include "desktop/application_id.h"
#include "desktop/color_scheme_portal.h"
#include "desktop/desktop_panel.h"
#include "desktop/desktop_settings.h"
#include "desktop/start_at_login.h"
#include "desktop/window_content.h"
#include "host/advice_reader.h"
#include "host/host_session.h"
#include "host/reload_requests.h"
#include "shared/clock.h"
#include "widget_api/string_table.h"

namespace plugscope {

// The desktop widget host: one GTK application holding one undecorated
// window that draws the widget as the PNG renderer does, in the family
// chosen from its context menu (or with the keys 1, 2, 3) or, until one is
// chosen, the smallest in which every row fits whole, and in the desktop's
// light or dark appearance, with the hints about the drawn ports in a strip
// below the drawing. It follows the hosts' reload schedule
// (reload_schedule.h) from the GLib main loop. The window exists only
// while it is shown: hidden, it is destroyed with its renderer and
// surfaces, and made anew when shown. A second launch raises the running
// window. Everything passed in must outlive it.
class DesktopApp final : public DesktopControls {
 public:
  struct Options {
    // After each redraw the window's content is written to this PNG file
    // (atomically), so that tests can see what the window shows.
    std::optional<std::string> screenshotPath;
  };

  // `strings` are the host's own (its menu), `text` the pinned fonts.
  DesktopApp(const Widget& widget, const StringTable& strings, const PangoText& text,
             const Clock& clock, ReloadRequests& requests, const HintSource& hints,
             const DesktopSettingsFile& settingsFile, StartAtLogin& startAtLogin,
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
  bool startsAtLogin() const override { return startAtLogin_.isEnabled(); }
  void setStartAtLogin(bool enabled) override;
  void sendNotification(const std::string& id, const std::string& title,
                        const std::string& body) override;

 private:
  void startup();
  void shutdown();
  void buildWindow();
  void hideWindow();
  void installActions();
  // Asks the provider, lays the entry out, tells the panel, and waits for
  // the next reload date.
  void reload();
  // Gives the window the content's size and a redraw.
  void showContent();
  // Asks again, a few times, until the window has the content's size.
  void checkWindowSize();
  void armTimer();
  void setFamily(WidgetFamily family);
  void setAppearance(Appearance appearance);
  void draw(cairo_t* cairo);
  void writeScreenshot();

  const Widget& widget_;
  const StringTable& strings_;
  const PangoText& text_;
  const Clock& clock_;
  ReloadRequests& requests_;
  const HintSource& hints_;
  const DesktopSettingsFile& settingsFile_;
  StartAtLogin& startAtLogin_;
  DesktopPanelFactory panelFactory_;
  Options options_;

  GtkApplication* app_ = nullptr;
  GtkWindow* window_ = nullptr;
  GtkWidget* area_ = nullptr;
  GtkWidget* menu_ = nullptr;
  GSimpleAction* familyAction_ = nullptr;
  GSimpleAction* notifyAction_ = nullptr;
  GSimpleAction* loginAction_ = nullptr;
  guint timer_ = 0;
  guint requestWatch_ = 0;
  guint screenshotIdle_ = 0;
  guint sizeCheck_ = 0;
  int sizeChecksLeft_ = 0;

  DesktopSettings settings_;
  // What the window shows: the chosen family, or the one that fits.
  WidgetFamily family_ = WidgetFamily::medium;
  Appearance appearance_ = Appearance::light;
  std::unique_ptr<ColorSchemePortal> portal_;
  std::unique_ptr<DesktopPanel> panel_;
  std::optional<HostedEntry> hosted_;
  std::optional<WindowContent> content_;
};

// The menu label of a family, an English key of the host's string table:
// "Small", "Medium", "Large".
const char* familyLabel(WidgetFamily family);

// The window's context menu (owned by the caller): a section with one
// radio item per family the widget comes in, in its order (action
// app.family), then "Notify when something is plugged in"
// (app.notify-plugged), "Start at login" (app.start-at-login) and "Quit"
// (app.quit); labels looked up in `strings`, the host's own.
GMenuModel* windowMenu(const WidgetConfiguration& configuration, const StringTable& strings);

}  // namespace plugscope
