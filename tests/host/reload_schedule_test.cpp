#include "host/reload_schedule.h"

#include <gtest/gtest.h>

#include <limits>

namespace plugscope {
namespace {

TEST(ReloadSchedule, TheTimeLeftInMillisecondsRoundedUpAndCut) {
  const double now = 800'000'000;
  const double nan = std::numeric_limits<double>::quiet_NaN();
  struct Row {
    const char* name;
    double next;
    unsigned expected;
  };
  const Row rows[] = {
      {"due now", now, 0},
      {"overdue", now - 5, 0},
      {"one second", now + 1, 1000},
      {"half a second", now + 0.5, 500},
      {"a part of a millisecond waits a whole one", now + 0.0001, 1},
      {"just under the longest wait", now + 59.9, 59900},
      {"the entry's five minutes are cut to one", now + 300, 60000},
      {"a year", now + 3.2e7, 60000},
      {"no number", nan, 60000},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(reloadDelayMilliseconds(PointInTime{now}, PointInTime{row.next}), row.expected)
        << row.name;
  }
}

}  // namespace
}  // namespace plugscope
