#include "desktop/desktop_app.h"

#include <glib-unix.h>
#include <glib/gstdio.h>

#include <algorithm>
#include <cmath>

#include "host/reload_schedule.h"

namespace plugscope {
namespace {

DesktopApp& self(gpointer data) { return *static_cast<DesktopApp*>(data); }

// The keys that choose each family.
struct FamilyKeys {
  WidgetFamily family;
  const char* keys[3];
};
constexpr FamilyKeys kFamilyKeys[] = {
    {WidgetFamily::small, {"1", "KP_1", nullptr}},
    {WidgetFamily::medium, {"2", "KP_2", nullptr}},
    {WidgetFamily::large, {"3", "KP_3", nullptr}},
};

bool supports(const Widget& widget, WidgetFamily family) {
  const auto& families = widget.configuration().supportedFamilies;
  return std::ranges::find(families, family) != families.end();
}

}  // namespace

const char* familyLabel(WidgetFamily family) {
  switch (family) {
    case WidgetFamily::small: return "Small";
    case WidgetFamily::medium: return "Medium";
    case WidgetFamily::large: return "Large";
  }
  return "Medium";
}

GMenuModel* windowMenu(const WidgetConfiguration& configuration, const StringTable& strings) {
  g_autoptr(GMenu) sizes = g_menu_new();
  for (const WidgetFamily family : configuration.supportedFamilies) {
    const std::string action = std::string("app.family::") + familyName(family);
    g_menu_append(sizes, strings.lookup(familyLabel(family)).c_str(), action.c_str());
  }
  g_autoptr(GMenu) options = g_menu_new();
  g_menu_append(options, strings.lookup("Notify when something is plugged in").c_str(),
                "app.notify-plugged");
  g_menu_append(options, strings.lookup("Start at login").c_str(), "app.start-at-login");
  g_menu_append(options, strings.lookup("Quit").c_str(), "app.quit");
  GMenu* menu = g_menu_new();
  g_menu_append_section(menu, nullptr, G_MENU_MODEL(sizes));
  g_menu_append_section(menu, nullptr, G_MENU_MODEL(options));
  return G_MENU_MODEL(menu);
}

DesktopApp::DesktopApp(const Widget& widget, const StringTable& strings, const PangoText& text,
                       const Clock& clock, ReloadRequests& requests, const HintSource& hints,
                       const DesktopSettingsFile& settingsFile, StartAtLogin& startAtLogin,
                       DesktopPanelFactory panelFactory, Options options)
    : widget_(widget),
      strings_(strings),
      text_(text),
      clock_(clock),
      requests_(requests),
      hints_(hints),
      settingsFile_(settingsFile),
      startAtLogin_(startAtLogin),
      panelFactory_(std::move(panelFactory)),
      options_(std::move(options)),
      app_(gtk_application_new(kDesktopApplicationId, G_APPLICATION_DEFAULT_FLAGS)) {
  // Notifications name their sender by it.
  g_set_application_name("Plugscope");
  g_signal_connect_swapped(app_, "startup", G_CALLBACK(+[](gpointer data) { self(data).startup(); }),
                           this);
  g_signal_connect_swapped(app_, "activate",
                           G_CALLBACK(+[](gpointer data) { self(data).showWindow(); }), this);
  g_signal_connect_swapped(app_, "shutdown",
                           G_CALLBACK(+[](gpointer data) { self(data).shutdown(); }), this);
}

DesktopApp::~DesktopApp() {
  shutdown();
  g_clear_object(&app_);
}

int DesktopApp::run(const char* programName) {
  // Our options were read already; GApplication sees none of them.
  char* argv[] = {const_cast<char*>(programName), nullptr};
  return g_application_run(G_APPLICATION(app_), 1, argv);
}

void DesktopApp::startup() {
  settings_ = settingsFile_.load();
  if (settings_.family && !supports(widget_, *settings_.family)) settings_.family.reset();
  if (settings_.family) family_ = *settings_.family;
  // The window comes and goes; the application stays until it quits.
  g_application_hold(G_APPLICATION(app_));
  installActions();
  GDBusConnection* bus = g_application_get_dbus_connection(G_APPLICATION(app_));
  portal_ = std::make_unique<ColorSchemePortal>(
      bus, [this](Appearance appearance) { setAppearance(appearance); });
  setAppearance(portal_->appearance());
  // A readable descriptor wakes the main loop; waitFor(0) then only drains
  // what is queued, so nothing ever blocks or polls.
  if (requests_.descriptor() >= 0) {
    requestWatch_ = g_unix_fd_add(
        requests_.descriptor(), G_IO_IN,
        +[](gint, GIOCondition, gpointer data) -> gboolean {
          auto& app = self(data);
          if (app.requests_.waitFor(0) == ReloadRequests::Wait::requested) app.reload();
          return G_SOURCE_CONTINUE;
        },
        this);
  }
  // The panel entry: made here, once the bus name is ours, and told
  // about every entry from reload() on.
  if (panelFactory_) panel_ = panelFactory_(*this, widget_, bus);
  reload();
}

void DesktopApp::shutdown() {
  for (guint* source : {&timer_, &requestWatch_, &screenshotIdle_, &sizeCheck_}) {
    if (*source) g_source_remove(*source);
    *source = 0;
  }
  panel_.reset();
  portal_.reset();
  hideWindow();
  g_clear_object(&familyAction_);
  g_clear_object(&notifyAction_);
  g_clear_object(&loginAction_);
}

// The menu's items and the keys are the application's actions, so that
// both (and other processes, over the bus) change the same state.
void DesktopApp::installActions() {
  familyAction_ = g_simple_action_new_stateful("family", G_VARIANT_TYPE_STRING,
                                               g_variant_new_string(familyName(family_)));
  g_signal_connect(familyAction_, "change-state",
                   G_CALLBACK(+[](GSimpleAction*, GVariant* value, gpointer data) {
                     if (auto family = parseFamily(g_variant_get_string(value, nullptr))) {
                       self(data).setFamily(*family);
                     }
                   }),
                   this);
  notifyAction_ = g_simple_action_new_stateful("notify-plugged", nullptr,
                                               g_variant_new_boolean(settings_.notifyWhenPlugged));
  g_signal_connect(notifyAction_, "change-state",
                   G_CALLBACK(+[](GSimpleAction*, GVariant* value, gpointer data) {
                     self(data).setNotifyWhenPlugged(g_variant_get_boolean(value));
                   }),
                   this);
  loginAction_ = g_simple_action_new_stateful("start-at-login", nullptr,
                                              g_variant_new_boolean(startAtLogin_.isEnabled()));
  g_signal_connect(loginAction_, "change-state",
                   G_CALLBACK(+[](GSimpleAction*, GVariant* value, gpointer data) {
                     self(data).setStartAtLogin(g_variant_get_boolean(value));
                   }),
                   this);
  g_autoptr(GSimpleAction) quitAction = g_simple_action_new("quit", nullptr);
  g_signal_connect_swapped(quitAction, "activate",
                           G_CALLBACK(+[](gpointer data) { self(data).quit(); }), this);
  for (GSimpleAction* action : {familyAction_, notifyAction_, loginAction_, quitAction}) {
    g_action_map_add_action(G_ACTION_MAP(app_), G_ACTION(action));
  }

  for (const FamilyKeys& keys : kFamilyKeys) {
    if (!supports(widget_, keys.family)) continue;
    const std::string action = std::string("app.family::") + familyName(keys.family);
    gtk_application_set_accels_for_action(app_, action.c_str(), keys.keys);
  }
  const char* quitKeys[] = {"<Control>q", nullptr};
  gtk_application_set_accels_for_action(app_, "app.quit", quitKeys);
}

void DesktopApp::buildWindow() {
  window_ = GTK_WINDOW(gtk_window_new());
  gtk_window_set_application(window_, app_);
  gtk_window_set_title(window_, "Plugscope");
  gtk_window_set_icon_name(window_, kDesktopApplicationId);
  gtk_window_set_decorated(window_, FALSE);
  gtk_window_set_resizable(window_, FALSE);
  gtk_accessible_update_property(GTK_ACCESSIBLE(window_), GTK_ACCESSIBLE_PROPERTY_LABEL,
                                 "Plugscope", -1);
  g_signal_connect_swapped(window_, "destroy",
                           G_CALLBACK(+[](gpointer data) { self(data).window_ = nullptr; }), this);
  // Closing the window hides it (GTK destroys it) while a panel shows the
  // entry that can bring it back; without one (GNOME without its
  // AppIndicator extension) it quits, rather than leave a program that
  // nothing shows.
  g_signal_connect(window_, "close-request",
                   G_CALLBACK(+[](GtkWindow*, gpointer data) -> gboolean {
                     auto& app = self(data);
                     if (!app.panel_ || !app.panel_->inPanel()) app.quit();
                     return FALSE;
                   }),
                   this);

  // Not resizable: the window takes the drawing area's size, which is the
  // family's size in points.
  area_ = gtk_drawing_area_new();
  gtk_drawing_area_set_draw_func(
      GTK_DRAWING_AREA(area_),
      +[](GtkDrawingArea*, cairo_t* cairo, int, int, gpointer data) { self(data).draw(cairo); },
      this, nullptr);
  gtk_window_set_child(window_, area_);

  // A popover parented to the area must leave before the area does.
  g_autoptr(GMenuModel) model = windowMenu(widget_.configuration(), strings_);
  menu_ = gtk_popover_menu_new_from_model(model);
  gtk_popover_set_has_arrow(GTK_POPOVER(menu_), FALSE);
  gtk_widget_set_halign(menu_, GTK_ALIGN_START);
  gtk_widget_set_parent(menu_, area_);
  g_signal_connect_swapped(area_, "destroy", G_CALLBACK(+[](gpointer data) {
                             auto& app = self(data);
                             if (app.menu_) gtk_widget_unparent(app.menu_);
                             app.menu_ = nullptr;
                             app.area_ = nullptr;
                           }),
                           this);

  // Right button: the context menu. Left button: drag the window, which
  // has no title bar to hold.
  auto pressed = +[](GtkGestureClick* gesture, int, double x, double y, gpointer data) {
    auto& app = self(data);
    const guint button = gtk_gesture_single_get_current_button(GTK_GESTURE_SINGLE(gesture));
    if (button == GDK_BUTTON_SECONDARY && app.menu_) {
      // The session's own settings may have changed the login entry.
      g_simple_action_set_state(app.loginAction_,
                                g_variant_new_boolean(app.startAtLogin_.isEnabled()));
      const GdkRectangle at{static_cast<int>(x), static_cast<int>(y), 1, 1};
      gtk_popover_set_pointing_to(GTK_POPOVER(app.menu_), &at);
      gtk_popover_popup(GTK_POPOVER(app.menu_));
    } else if (button == GDK_BUTTON_PRIMARY) {
      GdkSurface* surface = gtk_native_get_surface(GTK_NATIVE(app.window_));
      GdkEvent* event = gtk_event_controller_get_current_event(GTK_EVENT_CONTROLLER(gesture));
      if (GDK_IS_TOPLEVEL(surface) && event) {
        gdk_toplevel_begin_move(GDK_TOPLEVEL(surface), gdk_event_get_device(event),
                                GDK_BUTTON_PRIMARY, x, y, gdk_event_get_time(event));
      }
    }
  };
  GtkGesture* click = gtk_gesture_click_new();
  gtk_gesture_single_set_button(GTK_GESTURE_SINGLE(click), 0);
  g_signal_connect(click, "pressed", G_CALLBACK(pressed), this);
  gtk_widget_add_controller(area_, GTK_EVENT_CONTROLLER(click));
  showContent();
}

// Destroyed rather than hidden: a hidden GTK window keeps its renderer,
// its surfaces and their buffers.
void DesktopApp::hideWindow() {
  if (window_) gtk_window_destroy(window_);
}

void DesktopApp::reload() {
  // The family is part of the provider's request, so a new family asks anew.
  const WidgetFamily asked = settings_.family.value_or(family_);
  hosted_ = requestEntry(widget_, clock_, asked, false);
  family_ = asked;
  if (!settings_.family) {
    const WidgetFamily fitting = fittingFamily(widget_, hosted_->entry, text_, asked);
    if (fitting != asked) {
      hosted_ = requestEntry(widget_, clock_, fitting, false);
      family_ = fitting;
    }
  }
  // Read after the snapshot: the agent saves the advice before it.
  const auto advice = hints_.adviceFor(hosted_->entry.snapshot);
  content_ = makeWindowContent(widget_, hosted_->entry, family_, text_,
                               advice.value_or(std::vector<AdviceEntry>{}));
  // The radio items show the family shown, chosen or not.
  g_simple_action_set_state(familyAction_, g_variant_new_string(familyName(family_)));
  showContent();
  if (panel_) panel_->showEntry(hosted_->entry, advice);
  armTimer();
}

void DesktopApp::showContent() {
  if (!content_) return;
  if (area_) {
    gtk_drawing_area_set_content_width(GTK_DRAWING_AREA(area_),
                                       static_cast<int>(std::lround(content_->width())));
    gtk_drawing_area_set_content_height(GTK_DRAWING_AREA(area_),
                                        static_cast<int>(std::lround(content_->height())));
    gtk_widget_queue_draw(area_);
    // GTK 4.8 on X11 drops a new size asked for while the window is still
    // being configured for the one before (a strip that comes and goes
    // quickly), which would leave the window cut short or too tall.
    constexpr int kSizeChecks = 30;
    constexpr guint kSizeCheckMilliseconds = 100;
    sizeChecksLeft_ = kSizeChecks;
    if (!sizeCheck_) {
      sizeCheck_ = g_timeout_add(
          kSizeCheckMilliseconds,
          +[](gpointer data) -> gboolean {
            auto& app = self(data);
            app.checkWindowSize();
            if (app.sizeCheck_ && app.sizeChecksLeft_ > 0) return G_SOURCE_CONTINUE;
            app.sizeCheck_ = 0;
            return G_SOURCE_REMOVE;
          },
          this);
    }
  }
  if (window_) {
    gtk_accessible_update_property(GTK_ACCESSIBLE(window_), GTK_ACCESSIBLE_PROPERTY_DESCRIPTION,
                                   content_->description.c_str(), -1);
  }
}

void DesktopApp::checkWindowSize() {
  --sizeChecksLeft_;
  if (!area_ || !window_ || !content_) {
    sizeChecksLeft_ = 0;
    return;
  }
  const bool fits = gtk_widget_get_width(area_) == std::lround(content_->width()) &&
                    gtk_widget_get_height(area_) == std::lround(content_->height());
  if (fits) {
    sizeChecksLeft_ = 0;
  } else {
    gtk_widget_queue_resize(GTK_WIDGET(window_));
  }
}

void DesktopApp::armTimer() {
  if (timer_) g_source_remove(timer_);
  timer_ = 0;
  if (!hosted_) return;
  timer_ = g_timeout_add(
      reloadDelayMilliseconds(clock_.now(), hosted_->next),
      +[](gpointer data) -> gboolean {
        auto& app = self(data);
        app.timer_ = 0;
        if (reloadDue(app.clock_.now(), app.hosted_->next)) {
          app.reload();
        } else {
          app.armTimer();
        }
        return G_SOURCE_REMOVE;
      },
      this);
}

void DesktopApp::setFamily(WidgetFamily family) {
  if (!supports(widget_, family)) return;
  if (settings_.family == family) return;
  settings_.family = family;
  settingsFile_.save(settings_);
  reload();
}

void DesktopApp::setNotifyWhenPlugged(bool enabled) {
  g_simple_action_set_state(notifyAction_, g_variant_new_boolean(enabled));
  if (enabled == settings_.notifyWhenPlugged) return;
  settings_.notifyWhenPlugged = enabled;
  settingsFile_.save(settings_);
  if (panel_) panel_->choicesChanged();
}

void DesktopApp::setStartAtLogin(bool enabled) {
  startAtLogin_.setEnabled(enabled);
  // What holds now, which a failed write leaves as it was.
  g_simple_action_set_state(loginAction_, g_variant_new_boolean(startAtLogin_.isEnabled()));
  if (panel_) panel_->choicesChanged();
}

// GNotification goes through the desktop's notification service, or the
// portal inside a sandbox; without either it is dropped quietly.
void DesktopApp::sendNotification(const std::string& id, const std::string& title,
                                  const std::string& body) {
  if (!settings_.notifyWhenPlugged) return;
  g_autoptr(GNotification) notification = g_notification_new(title.c_str());
  g_notification_set_body(notification, body.c_str());
  g_autoptr(GIcon) icon = g_themed_icon_new(kDesktopApplicationId);
  g_notification_set_icon(notification, icon);
  g_application_send_notification(G_APPLICATION(app_), id.c_str(), notification);
}

void DesktopApp::setAppearance(Appearance appearance) {
  appearance_ = appearance;
  // The menu follows too.
  g_object_set(gtk_settings_get_default(), "gtk-application-prefer-dark-theme",
               appearance == Appearance::dark, nullptr);
  if (area_) gtk_widget_queue_draw(area_);
}

void DesktopApp::showWindow() {
  if (!window_) buildWindow();
  gtk_window_present(window_);
}

void DesktopApp::toggleWindow() {
  if (window_) {
    hideWindow();
  } else {
    showWindow();
  }
}

void DesktopApp::quit() { g_application_quit(G_APPLICATION(app_)); }

void DesktopApp::draw(cairo_t* cairo) {
  if (!content_) return;
  // GTK hands us a context in points already scaled to the window's scale
  // factor, so the painter draws at the display's own resolution.
  paintWindowContent(cairo, *content_, text_, appearance_);
  // Written after the frame, outside GTK's drawing, and once per burst.
  if (options_.screenshotPath && !screenshotIdle_) {
    screenshotIdle_ = g_idle_add(
        +[](gpointer data) -> gboolean {
          auto& app = self(data);
          app.screenshotIdle_ = 0;
          app.writeScreenshot();
          return G_SOURCE_REMOVE;
        },
        this);
  }
}

void DesktopApp::writeScreenshot() {
  if (!area_ || !window_) return;
  const int width = gtk_widget_get_width(area_);
  const int height = gtk_widget_get_height(area_);
  GskRenderer* renderer = gtk_native_get_renderer(GTK_NATIVE(window_));
  if (width <= 0 || height <= 0 || !renderer) return;
  // What the window shows: the area's own snapshot, rendered by the
  // window's renderer.
  g_autoptr(GdkPaintable) paintable = gtk_widget_paintable_new(area_);
  GtkSnapshot* snapshot = gtk_snapshot_new();
  gdk_paintable_snapshot(paintable, snapshot, width, height);
  g_autoptr(GskRenderNode) node = gtk_snapshot_free_to_node(snapshot);
  if (!node) return;
  const graphene_rect_t viewport = GRAPHENE_RECT_INIT(0, 0, static_cast<float>(width),
                                                      static_cast<float>(height));
  g_autoptr(GdkTexture) texture = gsk_renderer_render_texture(renderer, node, &viewport);
  const std::string partial = *options_.screenshotPath + ".part";
  // Renamed into place, so that a reader never sees half a picture.
  if (gdk_texture_save_to_png(texture, partial.c_str())) {
    g_rename(partial.c_str(), options_.screenshotPath->c_str());
  }
}

}  // namespace plugscope
