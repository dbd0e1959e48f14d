#pragma once

namespace plugscope {

// The agent's registration to start when the user logs in.
class LoginItem {
 public:
  virtual ~LoginItem() = default;
  // (Re)registers the running agent; false when that failed. Safe to call
  // when already registered.
  virtual bool registerAtLogin() = 0;
};

}  // namespace plugscope
