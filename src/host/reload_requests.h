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
  // A descriptor that becomes readable when a request may have arrived,
  // for hosts that wait in an event loop of their own and then call
  // waitFor(0); -1 when there is none (the loop relies on its timer).
  virtual int descriptor() const { return -1; }
};

}  // namespace plugscope
