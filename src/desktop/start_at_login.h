#pragma once

namespace plugscope {

// Whether the desktop starts the application when the user logs in.
class StartAtLogin {
 public:
  virtual ~StartAtLogin() = default;
  // True while an entry for this program is in place and not switched off.
  virtual bool isEnabled() const = 0;
  // Puts the entry in place or takes it away; true when the state asked
  // for holds afterwards. Nothing is changed when it fails.
  virtual bool setEnabled(bool enabled) = 0;
};

}  // namespace plugscope
