// The live agent in a umockdev test bed: a plug or an unplug shows in the
// snapshot well before the next 2-second tick, whatever the tick's phase,
// and a burst of events is published a few times, not once per event.
#include <gtest/gtest.h>

#include <chrono>
#include <random>
#include <thread>

#include "umockdev_agent.h"

namespace plugscope {
namespace {

using namespace std::chrono_literals;
using test::UmockdevAgent;

constexpr auto kShownWithin = 700ms;

std::filesystem::path freshRoot() {
  const std::filesystem::path root = test::makeTemporaryDirectory("agent");
  EXPECT_FALSE(root.empty());
  return root;
}

double milliseconds(UmockdevAgent::Clock::duration d) {
  return std::chrono::duration<double, std::milli>(d).count();
}

TEST(InstantUpdates, PlugAndUnplugShowWithin700MillisecondsAtAnyPhaseOfTheTicks) {
  UmockdevAgent agent(PLUGSCOPE_AGENT, freshRoot());
  ASSERT_TRUE(agent.started());
  ASSERT_TRUE(agent.waitUntilListening(10s)) << "no launch snapshot or no monitor";
  ASSERT_EQ(agent.connected(), false);

  const unsigned seed = std::random_device{}();
  std::mt19937 random(seed);
  std::uniform_int_distribution<int> phase(0, 1999);
  SCOPED_TRACE("seed " + std::to_string(seed));
  for (int round = 0; round < 5; ++round) {
    // Unplugs alternate between the two ways the kernel announces them.
    for (const char* step : {"plug", round % 2 == 0 ? "remove" : "change"}) {
      std::this_thread::sleep_for(std::chrono::milliseconds(phase(random)));
      const bool plug = std::string_view(step) == "plug";
      const auto emitted = plug ? agent.plug() : agent.unplug(std::string_view(step) == "remove");
      const auto shown =
          UmockdevAgent::waitFor(emitted, kShownWithin, [&] { return agent.connected() == plug; });
      EXPECT_TRUE(shown) << "round " << round << ", " << step;
      if (shown) std::printf("round %d %-6s shown after %6.1f ms\n", round, step, milliseconds(*shown));
      // Settled either way before the next step.
      ASSERT_TRUE(UmockdevAgent::waitFor(3s, [&] { return agent.connected() == plug; }));
    }
  }
}

TEST(InstantUpdates, FiftyEventsWithin200MillisecondsGiveAtMostThreePublications) {
  UmockdevAgent agent(PLUGSCOPE_AGENT, freshRoot());
  ASSERT_TRUE(agent.started());
  ASSERT_TRUE(agent.waitUntilListening(10s));
  const long before = agent.reloads();

  const auto start = UmockdevAgent::Clock::now();
  for (int event = 0; event < 50; ++event) {
    if (agent.plugged()) {
      agent.unplug(event % 4 == 1);
    } else {
      agent.plug();
    }
    std::this_thread::sleep_until(start + (event + 1) * 4ms);
  }
  ASSERT_LT(UmockdevAgent::Clock::now() - start, 250ms) << "the burst took too long to send";
  // The burst's refresh, 100 ms after its end, and any tick inside it.
  std::this_thread::sleep_for(1s);
  const long publications = agent.reloads() - before;
  std::printf("50 events gave %ld publications\n", publications);
  EXPECT_LE(publications, 3);
  EXPECT_EQ(agent.connected(), agent.plugged()) << "the end of the burst is shown";
}

}  // namespace
}  // namespace plugscope
