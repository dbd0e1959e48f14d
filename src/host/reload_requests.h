#pragma once

namespace plugscope {

// The agent's requests to reload the widget's timelines, as a widget host
// receives them.
class ReloadRequests {
 public:
  enum class Wait {
    requested,  // a request arrived (several pending ones count as one)
    timedOut,   // the time passed without a request
    closed,     // no more requests will come and waiting is pointless
  };
  virtual ~ReloadRequests() = default;
  // Blocks until a request arrives or `seconds` have passed.
  virtual Wait waitFor(double seconds) = 0;
};

}  // namespace plugscope
