#include "widget/cable_provider.h"

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <thread>

#include "scanner/memory_registry.h"
#include "shared/snapshot_json.h"
#include "test_support.h"
#include "widget/sample_snapshot.h"

namespace plugscope {
namespace {

// Gives the times it was told, one per reading, then keeps giving the last.
class ScriptedClock final : public Clock {
 public:
  explicit ScriptedClock(std::vector<double> times) : times_(std::move(times)) {}
  PointInTime now() const override {
    const std::size_t i = reads_++;
    return {times_[std::min(i, times_.size() - 1)]};
  }
  std::size_t reads() const { return reads_; }

 private:
  std::vector<double> times_;
  mutable std::atomic<std::size_t> reads_{0};
};

// The stored file's bytes (none: no file), decoded as the store decodes.
class FakeStoredFile final : public SnapshotLoader {
 public:
  explicit FakeStoredFile(std::optional<std::string> bytes) : bytes_(std::move(bytes)) {}
  std::optional<Snapshot> loadSnapshot() const override {
    ++loads_;
    return bytes_ ? decodeSnapshotOrNone(*bytes_) : std::nullopt;
  }
  int loads() const { return loads_; }

 private:
  std::optional<std::string> bytes_;
  mutable std::atomic<int> loads_{0};
};

// A machine with one unplugged USB-C port; counts how often it is read.
class FakeRegistry final : public RegistrySource {
 public:
  FakeRegistry()
      : registry_(std::make_shared<MemoryRegistry>(test::registryFromJson(R"({"entries": [
          {"classes": ["IOPort"], "properties": {"PortTypeDescription": "USB-C",
           "PortDescription": "Port-USB-C@7", "PortNumber": 7, "ConnectionActive": false}}]})"))) {}
  std::shared_ptr<const RegistryAccess> current() override {
    ++scans_;
    return registry_;
  }
  int scans() const { return scans_; }

 private:
  std::shared_ptr<const MemoryRegistry> registry_;
  std::atomic<int> scans_{0};
};

// What a live scan of FakeRegistry must give at `taken`.
Snapshot liveScanAt(double taken) {
  PortStatus port;
  port.id = "Port-USB-C@7";
  port.number = 7;
  return Snapshot{{port}, std::nullopt, {taken}};
}

constexpr const char* kStored =
    R"({"ports":[{"id":"Port-USB-C@2","number":2,"connected":true,"protocols":["USB 2"],)"
    R"("device":"Keyboard","smartCable":false,"activeCable":false,"opticalCable":false,)"
    R"("usbPowerWatts":0.5,"powerIn":false}],"chargerWatts":65,"taken":-864000})";

Snapshot storedSnapshot() { return *decodeSnapshotOrNone(kStored); }

struct Timelines {
  std::vector<Timeline> received;
  std::function<void(const Timeline&)> completion() {
    return [this](const Timeline& t) { received.push_back(t); };
  }
};

TEST(CableProvider, StoredSnapshotOfAnyAgeWinsWithoutAScan) {
  // Ten days old by its taken; the clock is far later.
  const ScriptedClock clock({1000});
  const FakeStoredFile file(kStored);
  FakeRegistry registry;
  const CableProvider provider(file, registry, clock);
  Timelines timelines;
  provider.getTimeline({}, timelines.completion());
  ASSERT_EQ(timelines.received.size(), 1u);
  ASSERT_EQ(timelines.received[0].entries.size(), 1u);
  EXPECT_EQ(timelines.received[0].entries[0].snapshot, storedSnapshot());
  EXPECT_EQ(timelines.received[0].entries[0].date, PointInTime{1000});
  EXPECT_EQ(registry.scans(), 0);
}

TEST(CableProvider, StoredEmptyPortListIsShownWithoutAScan) {
  const ScriptedClock clock({1000});
  const FakeStoredFile file(R"({"ports":[],"taken":3})");
  FakeRegistry registry;
  const CableProvider provider(file, registry, clock);
  EXPECT_EQ(provider.currentSnapshot({1000}), (Snapshot{{}, std::nullopt, {3}}));
  EXPECT_EQ(registry.scans(), 0);
}

TEST(CableProvider, UnusableFileFallsBackToALiveScanDatedByTheTimeline) {
  struct Row {
    const char* name;
    std::optional<std::string> bytes;
  };
  const Row rows[] = {
      {"no file", std::nullopt},
      {"empty file", ""},
      {"empty object", "{}"},
      {"cut off", std::string(kStored).substr(0, 40)},
      {"number 1.5",
       R"({"ports":[{"id":"a","number":1.5,"connected":true,"protocols":[],"smartCable":false,)"
       R"("activeCable":false,"opticalCable":false,"powerIn":false}],"taken":1})"},
      {"port without powerIn",
       R"({"ports":[{"id":"a","number":1,"connected":true,"protocols":[],"smartCable":false,)"
       R"("activeCable":false,"opticalCable":false}],"taken":1})"},
      {"no taken", R"({"ports":[]})"},
  };
  for (const auto& row : rows) {
    const ScriptedClock clock({4321.5});
    const FakeStoredFile file(row.bytes);
    FakeRegistry registry;
    const CableProvider provider(file, registry, clock);
    Timelines timelines;
    provider.getTimeline({}, timelines.completion());
    ASSERT_EQ(timelines.received.size(), 1u) << row.name;
    const Timeline& timeline = timelines.received[0];
    ASSERT_EQ(timeline.entries.size(), 1u) << row.name;
    EXPECT_EQ(timeline.entries[0].snapshot, liveScanAt(4321.5)) << row.name;
    EXPECT_EQ(timeline.entries[0].snapshot.taken, timeline.entries[0].date) << row.name;
    EXPECT_EQ(registry.scans(), 1) << row.name;
    EXPECT_EQ(file.loads(), 1) << row.name;
  }
}

TEST(CableProvider, TimelineReloadsExactly300SecondsAfterItsOnlyEntry) {
  for (double now : {0.0, 1234.75, -50.0}) {
    const ScriptedClock clock({now, now + 99});
    const FakeStoredFile file(kStored);
    FakeRegistry registry;
    const CableProvider provider(file, registry, clock);
    Timelines timelines;
    provider.getTimeline({}, timelines.completion());
    ASSERT_EQ(timelines.received.size(), 1u);
    EXPECT_EQ(timelines.received[0].entries[0].date, PointInTime{now});
    EXPECT_EQ(timelines.received[0].policy.after, PointInTime{now + 300});
    EXPECT_EQ(clock.reads(), 1u);
  }
}

TEST(CableProvider, TimelineIgnoresThePreviewFlag) {
  const ScriptedClock clock({10});
  const FakeStoredFile file(kStored);
  FakeRegistry registry;
  const CableProvider provider(file, registry, clock);
  Timelines timelines;
  provider.getTimeline({WidgetFamily::small, true}, timelines.completion());
  ASSERT_EQ(timelines.received.size(), 1u);
  EXPECT_EQ(timelines.received[0].entries[0].snapshot, storedSnapshot());
  EXPECT_EQ(file.loads(), 1);
}

TEST(CableProvider, SnapshotRequestDatesByTheFirstReadingAndScansAtTheSecond) {
  const ScriptedClock clock({100, 105});
  const FakeStoredFile file(std::nullopt);
  FakeRegistry registry;
  const CableProvider provider(file, registry, clock);
  std::vector<CableEntry> entries;
  provider.getSnapshot({}, [&](const CableEntry& e) { entries.push_back(e); });
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries[0].date, PointInTime{100});
  EXPECT_EQ(entries[0].snapshot, liveScanAt(105));
}

TEST(CableProvider, SnapshotRequestInPreviewShowsTheSampleWhateverIsStored) {
  const ScriptedClock clock({100, 105, 110});
  const FakeStoredFile file(kStored);
  FakeRegistry registry;
  const CableProvider provider(file, registry, clock);
  std::vector<CableEntry> entries;
  provider.getSnapshot({WidgetFamily::medium, true},
                       [&](const CableEntry& e) { entries.push_back(e); });
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries[0].date, PointInTime{100});
  const Snapshot& sample = entries[0].snapshot;
  EXPECT_EQ(sample.ports, makeSampleSnapshot({}).ports);
  EXPECT_FALSE(sample.chargerWatts);
  EXPECT_EQ(file.loads(), 0);
  EXPECT_EQ(registry.scans(), 0);
}

TEST(CableProvider, PlaceholderIsTheSampleAndReadsNothing) {
  const ScriptedClock clock({20, 30, 40, 50});
  const FakeStoredFile file(kStored);
  FakeRegistry registry;
  const CableProvider provider(file, registry, clock);
  const CableEntry first = provider.placeholder({});
  const CableEntry second = provider.placeholder({});
  EXPECT_EQ(first.snapshot.ports, makeSampleSnapshot({}).ports);
  EXPECT_EQ(first.snapshot.taken, second.snapshot.taken);
  EXPECT_LT(first.date.seconds, second.date.seconds);
  EXPECT_EQ(file.loads(), 0);
  EXPECT_EQ(registry.scans(), 0);
}

TEST(CableProvider, EveryRequestCompletesExactlyOnce) {
  const ScriptedClock clock({1});
  FakeRegistry registry;
  for (const std::optional<std::string>& bytes :
       {std::optional<std::string>(kStored), std::optional<std::string>()}) {
    const FakeStoredFile file(bytes);
    const CableProvider provider(file, registry, clock);
    for (bool preview : {false, true}) {
      int snapshots = 0;
      int timelines = 0;
      provider.getSnapshot({WidgetFamily::large, preview}, [&](const CableEntry&) { ++snapshots; });
      provider.getTimeline({WidgetFamily::large, preview}, [&](const Timeline&) { ++timelines; });
      EXPECT_EQ(snapshots, 1);
      EXPECT_EQ(timelines, 1);
    }
  }
}

TEST(SampleSnapshot, MatchesTheFixedTwoPortSample) {
  const Snapshot sample = makeSampleSnapshot({60.5});
  EXPECT_EQ(
      encodeSnapshot(sample),
      R"({"ports":[{"id":"Port-USB-C@1","number":1,"connected":true,"protocols":["USB 3","USB 2"],)"
      R"("speed":"10 Gbps","device":"iPhone","smartCable":true,"activeCable":false,)"
      R"("opticalCable":false,"usbPowerWatts":4.5,"powerIn":false},{"id":"Port-USB-C@2",)"
      R"("number":2,"connected":false,"protocols":[],"smartCable":false,"activeCable":false,)"
      R"("opticalCable":false,"powerIn":false}],"taken":60.5})");
}

TEST(SampleSnapshot, BuiltOnceUnderConcurrentFirstUse) {
  // Every thread gets the same object; the clock is read at most once (not
  // at all when an earlier test in this process used the sample first).
  const ScriptedClock clock({777, 888, 999});
  constexpr int kThreads = 8;
  std::vector<const Snapshot*> seen(kThreads);
  std::atomic<bool> go{false};
  std::vector<std::thread> threads;
  for (int i = 0; i < kThreads; ++i) {
    threads.emplace_back([&, i] {
      while (!go) std::this_thread::yield();
      seen[static_cast<std::size_t>(i)] = &sampleSnapshot(clock);
    });
  }
  go = true;
  for (auto& thread : threads) thread.join();
  for (const Snapshot* s : seen) EXPECT_EQ(s, seen[0]);
  EXPECT_LE(clock.reads(), 1u);
  if (clock.reads() == 1) {
    EXPECT_EQ(seen[0]->taken, PointInTime{777});
  }
  EXPECT_EQ(&sampleSnapshot(clock), seen[0]);
}

}  // namespace
}  // namespace plugscope
