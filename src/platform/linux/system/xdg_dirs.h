#pragma once

#include <optional>
#include <string>

namespace plugscope {

// The shared application group: the name of the directory in which agent
// and widget meet, under the user's data directory (container) and under
// the runtime directory (reload requests).
inline constexpr const char* kAppGroupIdentifier = "5L9QH2TR7M.io.plugscope.shared";

// The process environment as the directory rules read it; injectable so
// that tests need not touch the real environment.
class Environment {
 public:
  virtual ~Environment() = default;
  // The variable's value; none when unset.
  virtual std::optional<std::string> get(const std::string& name) const = 0;
  // The user's home from the password database; none when unknown.
  virtual std::optional<std::string> passwordHome() const = 0;
};

// The real process environment (getenv, getpwuid_r).
class ProcessEnvironment final : public Environment {
 public:
  std::optional<std::string> get(const std::string& name) const override;
  std::optional<std::string> passwordHome() const override;
};

// $HOME when set and absolute, else the password database's home.
std::optional<std::string> homeDirectory(const Environment& env);

// An XDG base directory: $variable when set to an absolute path, else
// home + fallback (for example "/.local/share"). None without a home.
std::optional<std::string> xdgBaseDirectory(const Environment& env, const std::string& variable,
                                            const std::string& homeFallback);

// Directories, computed only (nothing is created):
//   container: $XDG_DATA_HOME/<group>
//   reload:    $XDG_RUNTIME_DIR/<group>, or $XDG_CACHE_HOME/<group> when
//              XDG_RUNTIME_DIR is unset or relative
//   autostart: $XDG_CONFIG_HOME/autostart
//   demo:      $XDG_DATA_HOME/plugscope-demo
std::optional<std::string> containerDirectory(const Environment& env);
std::optional<std::string> reloadDirectory(const Environment& env);
std::optional<std::string> autostartDirectory(const Environment& env);
std::optional<std::string> demoDirectory(const Environment& env);

}  // namespace plugscope
