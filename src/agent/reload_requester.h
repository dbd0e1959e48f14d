#pragma once

namespace plugscope {

// Asks every running widget host to reload the widget's timelines. Returns
// at once, never blocks or fails the caller, and reports nothing.
class ReloadRequester {
 public:
  virtual ~ReloadRequester() = default;
  virtual void requestReload() = 0;
};

}  // namespace plugscope
