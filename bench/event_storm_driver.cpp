// A storm of device events at the live agent in a umockdev test bed (run
// by bench/event_storm): RATE events a second for SECONDS, each a "change"
// of the connector, except that whenever the agent has published, the
// next event plugs or unplugs the connector's partner. So every refresh
// the agent runs finds something new and publishes it: the publications
// count the refreshes the storm drew. The last event leaves the port unlike
// the last publication, so the storm's end must be published too.
// Reports the agent's publications a second during the storm, its CPU time
// over the storm, its memory and open descriptors before and after, and
// the time from the storm's last event to its last publication. Exits 1
// when a target is missed: no more publications than one per 500 ms and
// one per tick, CPU under 20 % of one core, the end published within
// 500 ms and showing the port's last state, no descriptor left open.
//
//   event_storm_driver [SECONDS [RATE]]      (default 10 s, 10000 a second)
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

#include "events/umockdev_agent.h"

namespace plugscope {
namespace {

using test::UmockdevAgent;
using Clock = UmockdevAgent::Clock;
using namespace std::chrono_literals;

struct Figures {
  long rssKb = 0;
  long peakKb = 0;
  long fds = 0;
  long cpuTicks = 0;  // utime + stime
};

Figures figuresOf(pid_t pid) {
  Figures figures;
  const std::string proc = "/proc/" + std::to_string(pid);
  std::ifstream status(proc + "/status");
  for (std::string line; std::getline(status, line);) {
    std::istringstream fields(line);
    std::string name;
    long value = 0;
    fields >> name >> value;
    if (name == "VmRSS:") figures.rssKb = value;
    if (name == "VmHWM:") figures.peakKb = value;
  }
  std::error_code error;
  for (auto it = std::filesystem::directory_iterator(proc + "/fd", error);
       !error && it != std::filesystem::directory_iterator(); it.increment(error)) {
    ++figures.fds;
  }
  // The command name may hold spaces; fields 14 and 15 count from after it.
  const std::string stat = test::fileText(proc + "/stat");
  std::istringstream rest(stat.substr(stat.rfind(')') + 2));
  std::string skipped;
  for (int field = 3; field < 14; ++field) rest >> skipped;
  long utime = 0, stime = 0;
  rest >> utime >> stime;
  figures.cpuTicks = utime + stime;
  return figures;
}

// Notes the time of every change of the reload stamp, polling every
// millisecond on a thread of its own.
class PublicationLog {
 public:
  explicit PublicationLog(const UmockdevAgent& agent)
      : agent_(agent), last_(agent.reloads()), thread_([this] { follow(); }) {}
  ~PublicationLog() {
    done_ = true;
    thread_.join();
  }
  // How many publications came in [from, to).
  long between(Clock::time_point from, Clock::time_point to) const {
    std::lock_guard lock(mutex_);
    long count = 0;
    for (const Entry& e : times_) {
      if (e.at >= from && e.at < to) count += e.publications;
    }
    return count;
  }
  long count() const { return count_; }
  std::optional<Clock::time_point> last() const {
    std::lock_guard lock(mutex_);
    if (times_.empty()) return std::nullopt;
    return times_.back().at;
  }

 private:
  struct Entry {
    Clock::time_point at;
    long publications;
  };
  void follow() {
    while (!done_) {
      const long now = agent_.reloads();
      if (now > last_) {
        std::lock_guard lock(mutex_);
        times_.push_back({Clock::now(), now - last_});
        count_ += now - last_;
        last_ = now;
      }
      std::this_thread::sleep_for(1ms);
    }
  }

  const UmockdevAgent& agent_;
  long last_;
  mutable std::mutex mutex_;
  std::vector<Entry> times_;
  std::atomic<long> count_ = 0;
  std::atomic<bool> done_ = false;
  std::thread thread_;
};

double seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

int storm(const std::filesystem::path& root, double duration, long rate) {
  UmockdevAgent agent(PLUGSCOPE_AGENT, root / "agent");
  if (!agent.waitUntilListening(10s)) {
    std::fprintf(stderr, "event_storm: the agent did not start\n");
    return 2;
  }
  // Past the launch and a tick, so that "before" is the agent at rest.
  std::this_thread::sleep_for(2500ms);
  const Figures before = figuresOf(agent.pid());
  PublicationLog publications(agent);

  const long events = static_cast<long>(duration * static_cast<double>(rate));
  const auto interval = std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(1.0 / static_cast<double>(rate)));
  const auto start = Clock::now();
  const Figures atStart = figuresOf(agent.pid());
  long sent = 0;
  bool removeNext = true;
  // Unplugs alternate between the partner's "remove" and the port's "change".
  auto togglePartner = [&] {
    if (!agent.plugged()) return agent.plug();
    removeNext = !removeNext;
    return agent.unplug(!removeNext);
  };
  long seen = -1;  // publications when the partner last changed
  for (; sent + 1 < events; ++sent) {
    std::this_thread::sleep_until(start + sent * interval);
    if (publications.count() != seen) {
      seen = publications.count();
      togglePartner();
    } else {
      agent.touch();
    }
  }
  // The port ends unlike the last publication: changed since, or now.
  std::this_thread::sleep_until(start + sent * interval);
  const Clock::time_point end = publications.count() != seen ? togglePartner() : agent.touch();
  ++sent;
  const Figures atEnd = figuresOf(agent.pid());
  const bool expected = agent.plugged();

  // Long enough for the burst's refresh and a tick after it.
  std::this_thread::sleep_for(2500ms);
  const Figures after = figuresOf(agent.pid());
  const auto last = publications.last();
  const bool shown = agent.connected() == expected;

  const double took = seconds(end - start);
  const double hz = static_cast<double>(::sysconf(_SC_CLK_TCK));
  const double cpu = static_cast<double>(atEnd.cpuTicks - atStart.cpuTicks) / hz / took;
  const long during = publications.between(start, end);
  const double delay = last ? seconds(*last - end) : -1;
  std::printf("events:        %ld over %.2f s (%.0f a second)\n", sent, took, static_cast<double>(sent) / took);
  std::printf("publications:  %ld during the storm (%.2f a second)\n", during,
              static_cast<double>(during) / took);
  std::printf("agent CPU:     %.1f %% of one core over the storm\n", cpu * 100);
  std::printf("agent memory:  RSS %ld -> %ld kB, peak %ld -> %ld kB\n", before.rssKb, after.rssKb,
              before.peakKb, after.peakKb);
  std::printf("agent fds:     %ld -> %ld\n", before.fds, after.fds);
  if (last && *last > end) {
    std::printf("end delay:     %.0f ms from the last event to the last publication\n", delay * 1000);
  } else {
    std::printf("end delay:     none: nothing was published after the last event\n");
  }
  std::printf("end state:     %s\n", shown ? "published" : "NOT published");

  bool met = true;
  auto miss = [&](const char* what) {
    std::fprintf(stderr, "event_storm: missed: %s\n", what);
    met = false;
  };
  // A refresh for each 500 ms a burst may last, and for each 2-second tick.
  if (static_cast<double>(during) > took / 0.5 + took / 2 + 2) {
    miss("no more publications than the burst rule and the ticks allow");
  }
  if (cpu >= 0.20) miss("CPU under 20 % of one core");
  if (!shown) miss("the port's last state published");
  if (!(last && *last > end && delay <= 0.5)) miss("the end published within 500 ms");
  if (after.fds > before.fds) miss("no descriptor left open");
  return met ? 0 : 1;
}

}  // namespace
}  // namespace plugscope

int main(int argc, char** argv) {
  const std::filesystem::path root = plugscope::test::runUnderUmockdev(argv);
  const double duration = argc > 1 ? std::atof(argv[1]) : 10.0;
  const long rate = argc > 2 ? std::atol(argv[2]) : 10000;
  int status = 2;
  if (duration > 0 && rate > 0) {
    status = plugscope::storm(root, duration, rate);
  } else {
    std::fprintf(stderr, "event_storm: SECONDS and RATE must be positive\n");
  }
  std::error_code ignored;
  std::filesystem::remove_all(root, ignored);
  return status;
}
