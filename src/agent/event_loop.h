#pragma once

#include <chrono>
#include <functional>
#include <memory>

namespace plugscope {

// A timer or a watched descriptor on the loop; destroying it cancels it.
class LoopRegistration {
 public:
  virtual ~LoopRegistration() = default;
};

// The agent's one thread of work: runs timer and descriptor actions one at a
// time, never two at once.
class EventLoop {
 public:
  using Seconds = std::chrono::duration<double>;

  virtual ~EventLoop() = default;
  // The loop's steady time, which its timers follow; never goes back.
  virtual Seconds now() const = 0;
  // Calls `action` at creation + k × interval for k = 1, 2, ... . When an
  // action runs past one or more due times, the action runs once as soon as
  // it can, however many were missed, and then keeps to the same grid.
  virtual std::unique_ptr<LoopRegistration> scheduleRepeating(Seconds interval,
                                                              std::function<void()> action) = 0;
  // Calls `action` once, `delay` after now (at once when not positive).
  virtual std::unique_ptr<LoopRegistration> scheduleOnce(Seconds delay,
                                                         std::function<void()> action) = 0;
  // Calls `action` whenever descriptor `fd` has something to read; the
  // action must read it, and the caller keeps `fd` open while registered.
  virtual std::unique_ptr<LoopRegistration> watchReadable(int fd, std::function<void()> action) = 0;
  // Waits for and runs due actions until stop() is called; with nothing
  // registered it waits for ever. Waiting takes no CPU.
  virtual void run() = 0;
  // Makes run() return once the current action has finished.
  virtual void stop() = 0;
};

}  // namespace plugscope
