// plugscope-snapshot-writer: saves two different snapshots in turn through
// the agent's real store (the shared container under the XDG directories it
// inherits), for the crash-consistency test to kill at random moments.
//
//   plugscope-snapshot-writer [--saves N] [--advice]    (N default 0: for ever)
//
// Starts with the snapshot that is not stored now, so that every save
// replaces one with the other. With --advice it publishes as the agent
// does, through the real refresh cycle: scans that give each snapshot with
// two versions of its advice in turn, so that refreshes alternate between
// a publication (advice, then snapshot) and a save of the advice alone;
// N counts refreshes. Writes "ready\n" to standard output once the store is
// wired, before the first save. Bad arguments give one line on stderr and
// exit status 2.
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <cstdint>
#include <iostream>

#include "agent/refresh_cycle.h"
#include "alternating_snapshots.h"
#include "platform/linux/posix_file_system.h"
#include "platform/linux/system_clock.h"
#include "platform/linux/xdg_container_locator.h"
#include "platform/linux/xdg_dirs.h"
#include "shared/snapshot_store.h"

int main(int argc, char** argv) {
  CLI::App app{"Save two snapshots in turn through the shared store",
               "plugscope-snapshot-writer"};
  std::uint64_t saves = 0;
  bool advice = false;
  app.add_option("--saves", saves, "stop after N saves (0: never)");
  app.add_flag("--advice", advice, "publish advice and snapshots through the refresh cycle");
  try {
    app.parse(argc, argv);
  } catch (const CLI::CallForHelp&) {
    std::cout << app.help();
    return 0;
  } catch (const CLI::ParseError& error) {
    std::cerr << "plugscope-snapshot-writer: " << error.what() << '\n';
    return 2;
  }

  using namespace plugscope;
  const ProcessEnvironment env;
  PosixFileSystem files;
  const XdgContainerLocator locator(env, files);
  const SnapshotStore store(locator, files);
  const Snapshot snapshots[2] = {test::smallSnapshot(), test::largeSnapshot()};

  // Unbuffered, so that the test can time its kill from this line.
  constexpr char kReady[] = "ready\n";
  if (::write(STDOUT_FILENO, kReady, sizeof kReady - 1) < 0) return 1;
  const std::uint64_t first = store.loadSnapshot() == snapshots[0] ? 1 : 0;
  if (!advice) {
    for (std::uint64_t i = 0; saves == 0 || i < saves; ++i) {
      store.saveSnapshot(snapshots[(first + i) % 2]);
    }
    return 0;
  }

  // Scan i: snapshot (first + i / 2) % 2, advice version i % 2 + 1.
  struct Alternating final : PortScanner {
    Scan scan(PointInTime taken) override {
      Snapshot snapshot = snapshots[(first + i / 2) % 2];
      snapshot.taken = taken;
      return {snapshot, test::adviceAbout(snapshot, static_cast<int>(i++ % 2) + 1)};
    }
    const Snapshot* snapshots;
    std::uint64_t first;
    std::uint64_t i = 0;
  } scanner;
  scanner.snapshots = snapshots;
  scanner.first = first;
  struct Unchanged final : SnapshotMerger {
    Snapshot merge(const Snapshot& snapshot) override { return snapshot; }
  } merger;
  struct Nobody final : ReloadRequester {
    void requestReload() override {}
  } reload;
  const SystemClock clock;
  StoreSnapshotWriter writer(store);
  RefreshCycle cycle(clock, scanner, merger, writer, reload);
  cycle.initialRefresh();
  for (std::uint64_t i = 1; saves == 0 || i < saves; ++i) cycle.refresh();
  return 0;
}
