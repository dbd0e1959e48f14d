#include "agent/refresh_debounce.h"

#include <gtest/gtest.h>

#include <vector>

namespace plugscope {
namespace {

// The refresh times a burst of events at `events` (seconds, ascending)
// gives, taking each refresh when it falls due, before a later event.
std::vector<double> refreshTimes(const std::vector<double>& events) {
  RefreshDebounce debounce;
  std::vector<double> refreshes;
  auto takeDueUntil = [&](double until) {
    while (const auto due = debounce.due()) {
      if (due->count() > until) break;
      EXPECT_FALSE(debounce.takeDue(*due - RefreshDebounce::Seconds(1e-6))) << "early";
      EXPECT_TRUE(debounce.takeDue(*due));
      refreshes.push_back(due->count());
    }
  };
  for (const double at : events) {
    takeDueUntil(at);
    debounce.eventAt(RefreshDebounce::Seconds(at));
  }
  takeDueUntil(1e9);
  return refreshes;
}

std::vector<double> every(double step, double from, double to) {
  std::vector<double> times;
  for (int i = 0; from + i * step <= to + 1e-9; ++i) times.push_back(from + i * step);
  return times;
}

TEST(RefreshDebounce, OneRefreshPerBurstQuietAfterItsLastEventAndNeverLateAfterItsFirst) {
  struct Case {
    const char* name;
    std::vector<double> events;
    std::vector<double> refreshes;
  };
  const Case cases[] = {
      {"no event", {}, {}},
      {"one event", {1.0}, {1.1}},
      {"a plug's burst, gaps under the quiet time", {1.0, 1.02, 1.06, 1.15}, {1.25}},
      {"a gap longer than the quiet time splits it", {1.0, 1.15}, {1.1, 1.25}},
      {"a trickle is cut at the longest wait", every(0.05, 1.0, 1.9), {1.5, 2.0}},
      {"50 events within 200 ms", every(0.004, 1.0, 1.196), {1.296}},
  };
  for (const Case& c : cases) {
    const std::vector<double> got = refreshTimes(c.events);
    ASSERT_EQ(got.size(), c.refreshes.size()) << c.name;
    for (std::size_t i = 0; i < got.size(); ++i) EXPECT_NEAR(got[i], c.refreshes[i], 1e-9) << c.name;
  }
}

}  // namespace
}  // namespace plugscope
