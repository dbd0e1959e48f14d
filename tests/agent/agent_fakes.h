#pragma once

// Fakes of the agent's injected pieces: they record what happened and fail
// when told to.

#include <algorithm>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "agent/device_events.h"
#include "agent/event_loop.h"
#include "agent/login_item.h"
#include "agent/process_runner.h"
#include "agent/refresh_steps.h"
#include "agent/reload_requester.h"
#include "shared/clock.h"
#include "shared/snapshot_store.h"

namespace plugscope::test {

// Shared by the fakes of one test, to check the order of effects.
using EventLog = std::vector<std::string>;

inline void note(EventLog* log, const char* what) {
  if (log) log->push_back(what);
}

class ManualClock final : public Clock {
 public:
  PointInTime now() const override { return {seconds}; }
  double seconds = 0;
};

class FakeProcessRunner final : public ProcessRunner {
 public:
  struct Call {
    std::string path;
    std::vector<std::string> arguments;
    std::size_t outputLimit;
  };
  std::optional<std::string> run(const std::string& path, const std::vector<std::string>& arguments,
                                 std::size_t outputLimit) override {
    calls.push_back({path, arguments, outputLimit});
    return output;
  }
  std::optional<std::string> output;  // none: the program cannot be started
  std::vector<Call> calls;
};

// Gives the scripted snapshot (with `taken` set by the caller) and advice,
// and records every scan's time.
class ScriptedScanner final : public PortScanner {
 public:
  Scan scan(PointInTime taken) override {
    note(log, "scan");
    takenTimes.push_back(taken.seconds);
    Scan result{next, nextAdvice};
    result.snapshot.taken = taken;
    return result;
  }
  Snapshot next;
  std::vector<AdviceEntry> nextAdvice;
  std::vector<double> takenTimes;
  EventLog* log = nullptr;
};

// Applies `change` (identity by default) and records its inputs.
class RecordingMerger final : public SnapshotMerger {
 public:
  Snapshot merge(const Snapshot& snapshot) override {
    inputs.push_back(snapshot);
    return change ? change(snapshot) : snapshot;
  }
  std::function<Snapshot(const Snapshot&)> change;
  std::vector<Snapshot> inputs;
};

class RecordingWriter final : public SnapshotWriter {
 public:
  bool save(const Snapshot& snapshot) override {
    note(log, "save");
    saved.push_back(snapshot);
    return savesSucceed;
  }
  bool saveAdvice(const Advice& advice) override {
    note(log, "advice");
    savedAdvice.push_back(advice);
    return adviceSavesSucceed;
  }
  std::vector<Snapshot> saved;
  std::vector<Advice> savedAdvice;
  bool savesSucceed = true;
  bool adviceSavesSucceed = true;
  EventLog* log = nullptr;
};

class CountingReload final : public ReloadRequester {
 public:
  void requestReload() override {
    note(log, "reload");
    ++requests;
  }
  int requests = 0;
  EventLog* log = nullptr;
};

class FakeLoginItem final : public LoginItem {
 public:
  bool registerAtLogin() override {
    note(log, "login");
    ++registrations;
    return succeeds;
  }
  bool succeeds = true;
  int registrations = 0;
  EventLog* log = nullptr;
};

// Time moves only when the test says so: advanceTo() runs the due timers
// in the order of their due times, tick() runs every repeating timer once
// whatever the time. The wall clock, when given, follows the loop's time.
class FakeEventLoop final : public EventLoop {
 public:
  struct Timer {
    Seconds interval;  // zero for a one-shot timer
    std::function<void()> action;
    double due = 0;
    bool cancelled = false;
  };
  Seconds now() const override { return Seconds(time); }
  std::unique_ptr<LoopRegistration> scheduleRepeating(Seconds interval,
                                                      std::function<void()> action) override {
    note(log, "timer");
    return add(interval, interval, std::move(action));
  }
  std::unique_ptr<LoopRegistration> scheduleOnce(Seconds delay,
                                                 std::function<void()> action) override {
    return add(delay, Seconds(0), std::move(action));
  }
  std::unique_ptr<LoopRegistration> watchReadable(int, std::function<void()>) override {
    return std::make_unique<Handle>(std::make_shared<Timer>());
  }
  void run() override {}
  void stop() override {}
  // One tick of every live repeating timer.
  void tick() {
    for (const auto& timer : timers) {
      if (!timer->cancelled && timer->interval.count() > 0) timer->action();
    }
  }
  void advanceTo(double until) {
    for (;;) {
      std::shared_ptr<Timer> next;
      for (const auto& timer : timers) {
        if (!timer->cancelled && timer->due <= until && (!next || timer->due < next->due)) {
          next = timer;
        }
      }
      if (!next) break;
      setTime(next->due);
      if (next->interval.count() > 0) {
        next->due += next->interval.count();
      } else {
        next->cancelled = true;
      }
      next->action();
    }
    setTime(until);
  }
  std::vector<std::shared_ptr<Timer>> timers;
  double time = 0;
  ManualClock* clock = nullptr;
  EventLog* log = nullptr;

 private:
  struct Handle final : LoopRegistration {
    explicit Handle(std::shared_ptr<Timer> timer) : timer_(std::move(timer)) {}
    ~Handle() override { timer_->cancelled = true; }
    std::shared_ptr<Timer> timer_;
  };
  std::unique_ptr<LoopRegistration> add(Seconds first, Seconds interval,
                                        std::function<void()> action) {
    timers.push_back(std::make_shared<Timer>(
        Timer{interval, std::move(action), time + std::max(first.count(), 0.0)}));
    return std::make_unique<Handle>(timers.back());
  }
  void setTime(double t) {
    time = t;
    if (clock) clock->seconds = t;
  }
};

// Device events that arrive when the test calls arrive(); `available`
// false stands for a monitor that cannot be opened.
class FakeDeviceEvents final : public DeviceEvents {
 public:
  std::unique_ptr<LoopRegistration> listen(EventLoop&, std::function<void()> arrived) override {
    if (!available) return nullptr;
    auto listener = std::make_shared<std::function<void()>>(std::move(arrived));
    listener_ = listener;
    return std::make_unique<Listening>(std::move(listener));
  }
  void arrive() {
    if (auto listener = listener_.lock()) (*listener)();
  }
  bool available = true;

 private:
  struct Listening final : LoopRegistration {
    explicit Listening(std::shared_ptr<std::function<void()>> listener)
        : listener_(std::move(listener)) {}
    std::shared_ptr<std::function<void()>> listener_;
  };
  std::weak_ptr<std::function<void()>> listener_;
};

class FixedLocator final : public ContainerLocator {
 public:
  explicit FixedLocator(std::optional<std::string> directory) : directory_(std::move(directory)) {}
  std::optional<std::string> containerDirectory() const override { return directory_; }

 private:
  std::optional<std::string> directory_;
};

// Files in memory; every operation is logged and each kind can be made to
// fail.
class MemoryFileSystem final : public FileSystem {
 public:
  struct Failures {
    bool create = false, append = false, sync = false, close = false, rename = false,
         list = false, read = false, makeDirectory = false;
  };

  std::unique_ptr<WritableFile> createTemporaryFile(const std::string& directory,
                                                    const std::string& prefix,
                                                    unsigned) override {
    log.push_back("create " + prefix);
    if (fail.create) return nullptr;
    const std::string path = directory + "/" + prefix + std::to_string(++serial_);
    files[path] = "";
    return std::make_unique<File>(*this, path);
  }
  bool rename(const std::string& from, const std::string& to) override {
    log.push_back("rename " + from + " -> " + to);
    if (fail.rename || !files.contains(from)) return false;
    files[to] = files[from];
    files.erase(from);
    return true;
  }
  bool remove(const std::string& path) override {
    log.push_back("remove " + path);
    return files.erase(path) == 1;
  }
  bool syncDirectory(const std::string& directory) override {
    log.push_back("syncdir " + directory);
    return true;
  }
  std::optional<std::vector<std::string>> listDirectory(const std::string& directory) override {
    if (fail.list) return std::nullopt;
    std::vector<std::string> names;
    for (const auto& [path, content] : files) {
      if (path.starts_with(directory + "/")) names.push_back(path.substr(directory.size() + 1));
    }
    return names;
  }
  std::optional<std::string> readFile(const std::string& path, std::size_t limit) override {
    auto found = files.find(path);
    if (fail.read || found == files.end() || found->second.size() > limit) return std::nullopt;
    return found->second;
  }
  bool makeDirectory(const std::string& path, unsigned) override {
    log.push_back("mkdir " + path);
    return !fail.makeDirectory;
  }

  std::map<std::string, std::string> files;
  Failures fail;
  std::vector<std::string> log;

 private:
  struct File final : WritableFile {
    File(MemoryFileSystem& owner, std::string path) : owner_(owner), path_(std::move(path)) {}
    const std::string& path() const override { return path_; }
    bool append(std::string_view bytes) override {
      owner_.log.push_back("write");
      if (owner_.fail.append) {
        // A short write: part of the bytes arrived.
        owner_.files[path_] += bytes.substr(0, bytes.size() / 2);
        return false;
      }
      owner_.files[path_] += bytes;
      return true;
    }
    bool sync() override {
      owner_.log.push_back("flush");
      return !owner_.fail.sync;
    }
    bool close() override {
      owner_.log.push_back("close");
      return !owner_.fail.close;
    }
    MemoryFileSystem& owner_;
    std::string path_;
  };
  int serial_ = 0;
};

}  // namespace plugscope::test
