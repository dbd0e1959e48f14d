#include "platform/linux/system/xdg_dirs.h"

#include <cerrno>
#include <cstdlib>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace plugscope {
namespace {

bool isAbsolute(const std::string& path) { return !path.empty() && path.front() == '/'; }

}  // namespace

std::optional<std::string> ProcessEnvironment::get(const std::string& name) const {
  const char* value = std::getenv(name.c_str());
  if (!value) return std::nullopt;
  return std::string(value);
}

std::optional<std::string> ProcessEnvironment::passwordHome() const {
  long size = ::sysconf(_SC_GETPW_R_SIZE_MAX);
  std::vector<char> buffer(size > 0 ? static_cast<std::size_t>(size) : 16384);
  struct passwd entry {};
  struct passwd* found = nullptr;
  if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) != 0 || !found ||
      !found->pw_dir) {
    return std::nullopt;
  }
  return std::string(found->pw_dir);
}

std::optional<std::string> homeDirectory(const Environment& env) {
  if (auto home = env.get("HOME"); home && isAbsolute(*home)) return home;
  if (auto home = env.passwordHome(); home && isAbsolute(*home)) return home;
  return std::nullopt;
}

std::optional<std::string> xdgBaseDirectory(const Environment& env, const std::string& variable,
                                            const std::string& homeFallback) {
  // Unset, empty or relative values are ignored, as the XDG rules say.
  if (auto value = env.get(variable); value && isAbsolute(*value)) return value;
  auto home = homeDirectory(env);
  if (!home) return std::nullopt;
  return *home + homeFallback;
}

std::optional<std::string> containerDirectory(const Environment& env) {
  auto base = xdgBaseDirectory(env, "XDG_DATA_HOME", "/.local/share");
  if (!base) return std::nullopt;
  return *base + "/" + kAppGroupIdentifier;
}

std::optional<std::string> reloadDirectory(const Environment& env) {
  if (auto runtime = env.get("XDG_RUNTIME_DIR"); runtime && isAbsolute(*runtime)) {
    return *runtime + "/" + kAppGroupIdentifier;
  }
  auto base = xdgBaseDirectory(env, "XDG_CACHE_HOME", "/.cache");
  if (!base) return std::nullopt;
  return *base + "/" + kAppGroupIdentifier;
}

std::optional<std::string> autostartDirectory(const Environment& env) {
  auto base = xdgBaseDirectory(env, "XDG_CONFIG_HOME", "/.config");
  if (!base) return std::nullopt;
  return *base + "/autostart";
}

std::optional<std::string> demoDirectory(const Environment& env) {
  auto base = xdgBaseDirectory(env, "XDG_DATA_HOME", "/.local/share");
  if (!base) return std::nullopt;
  return *base + "/plugscope-demo";
}

}  // namespace plugscope
