#pragma once

#include <memory>
#include <optional>
#include <string>

#include "widget_api/widget_extension.h"

namespace plugscope {

// A widget plug-in loaded into this process. Owns the loaded module: the
// module is unloaded when the last owner goes, so everything obtained from
// the widget (views, entries, callbacks) must be gone by then. Move-only.
class LoadedExtension {
 public:
  // Loads the module at `path`, finds its entry point and checks that it
  // was built for kWidgetInterfaceVersion. None, with `error` set to one
  // line, when the module cannot be loaded, has no entry point, reports
  // another version or gives no widget.
  static std::optional<LoadedExtension> load(const std::string& path, std::string& error);

  const Widget& widget() const { return *widget_; }

 private:
  struct Closer {
    void operator()(void* handle) const;
  };
  LoadedExtension(std::unique_ptr<void, Closer> handle, const Widget* widget)
      : handle_(std::move(handle)), widget_(widget) {}

  std::unique_ptr<void, Closer> handle_;
  const Widget* widget_;
};

// The widget plug-in's file name.
inline constexpr const char* kWidgetModuleName = "PlugscopeWidget.so";

// The widget plug-in installed with the running program: beside it, or at
// `moduleFromProgram` (a path relative to the program's directory, from
// the install layout). None when neither is a regular file.
std::optional<std::string> installedWidgetModule(const std::string& moduleFromProgram);

// The widget plug-in a host shows: the one at `path` when given (a host's
// --extension), else the one installed with the running program (see
// installedWidgetModule). None, with `error` set to one line, when there
// is no plug-in or it does not load.
std::optional<LoadedExtension> loadWidgetPlugin(const std::optional<std::string>& path,
                                                const std::string& moduleFromProgram,
                                                std::string& error);

// The widget of an entry point's record when it speaks our interface
// version; otherwise null with `error` set to one line naming `path`.
const Widget* acceptExtension(const WidgetExtension* extension, const std::string& path,
                              std::string& error);

}  // namespace plugscope
