#pragma once

#include <chrono>
#include <functional>
#include <memory>

namespace plugscope {

// A repeating timer; destroying it cancels it.
class RepeatingTimer {
 public:
  virtual ~RepeatingTimer() = default;
};

// The agent's one thread of work: runs timer actions one at a time, never
// two at once.
class EventLoop {
 public:
  using Seconds = std::chrono::duration<double>;

  virtual ~EventLoop() = default;
  // Calls `action` at creation + k × interval for k = 1, 2, ... . When an
  // action runs past one or more due times, the action runs once as soon as
  // it can, however many were missed, and then keeps to the same grid.
  virtual std::unique_ptr<RepeatingTimer> scheduleRepeating(Seconds interval,
                                                            std::function<void()> action) = 0;
  // Waits for and runs due actions until stop() is called; without timers
  // it waits for ever. Waiting takes no CPU.
  virtual void run() = 0;
  // Makes run() return once the current action has finished.
  virtual void stop() = 0;
};

}  // namespace plugscope
