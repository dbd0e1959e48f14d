#include "platform/linux/loaded_extension.h"

#include <dlfcn.h>
#include <sys/stat.h>

#include "platform/linux/object_location.h"

namespace plugscope {

std::optional<std::string> installedWidgetModule(const std::string& moduleFromProgram) {
  const auto directory = executableDirectory();
  if (!directory) return std::nullopt;
  for (const std::string& candidate :
       {*directory + "/" + kWidgetModuleName,
        *directory + "/" + moduleFromProgram + "/" + kWidgetModuleName}) {
    struct stat st {};
    if (::stat(candidate.c_str(), &st) == 0 && S_ISREG(st.st_mode)) return candidate;
  }
  return std::nullopt;
}

void LoadedExtension::Closer::operator()(void* handle) const {
  if (handle) ::dlclose(handle);
}

std::optional<LoadedExtension> LoadedExtension::load(const std::string& path, std::string& error) {
  ::dlerror();
  std::unique_ptr<void, Closer> handle(::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL));
  if (!handle) {
    const char* reason = ::dlerror();
    error = "cannot load " + path + ": " + (reason ? reason : "unknown error");
    return std::nullopt;
  }
  void* symbol = ::dlsym(handle.get(), kExtensionMainSymbol);
  if (!symbol) {
    error = path + " is not a widget plug-in: it has no " + kExtensionMainSymbol;
    return std::nullopt;
  }
  const auto entry = reinterpret_cast<ExtensionMain>(symbol);
  const Widget* widget = acceptExtension(entry(), path, error);
  if (!widget) return std::nullopt;
  return LoadedExtension(std::move(handle), widget);
}

std::optional<LoadedExtension> loadWidgetPlugin(const std::optional<std::string>& path,
                                                const std::string& moduleFromProgram,
                                                std::string& error) {
  if (path) return LoadedExtension::load(*path, error);
  const auto installed = installedWidgetModule(moduleFromProgram);
  if (!installed) {
    error = std::string("no ") + kWidgetModuleName + " installed beside this program";
    return std::nullopt;
  }
  return LoadedExtension::load(*installed, error);
}

const Widget* acceptExtension(const WidgetExtension* extension, const std::string& path,
                              std::string& error) {
  if (!extension) {
    error = path + ": the plug-in did not start";
    return nullptr;
  }
  if (extension->interfaceVersion != kWidgetInterfaceVersion) {
    error = path + ": plug-in interface version " + std::to_string(extension->interfaceVersion) +
            ", this host speaks version " + std::to_string(kWidgetInterfaceVersion);
    return nullptr;
  }
  if (!extension->widget) {
    error = path + ": the plug-in gave no widget";
    return nullptr;
  }
  return extension->widget;
}

}  // namespace plugscope
