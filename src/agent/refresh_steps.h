#pragma once

#include "agent/process_runner.h"
#include "scanner/registry_source.h"
#include "shared/point_in_time.h"
#include "shared/snapshot.h"
#include "shared/snapshot_store.h"

namespace plugscope {

// The steps of one refresh, each replaceable so that tests can script and
// record them. All are called on the agent's one thread and never fail.

// What one scan found: the ports, and the hints about them that the same
// reading of the machine gave (in port order; none where the registry
// comes without facts).
struct Scan {
  Snapshot snapshot;
  std::vector<AdviceEntry> advice;
};

// A complete scan of the ports, with `taken` stored unchanged.
class PortScanner {
 public:
  virtual ~PortScanner() = default;
  virtual Scan scan(PointInTime taken) = 0;
};

// Enriches a snapshot about to be published: same ports in the same order,
// chargerWatts and taken unchanged.
class SnapshotMerger {
 public:
  virtual ~SnapshotMerger() = default;
  virtual Snapshot merge(const Snapshot& snapshot) = 0;
};

// Stores what a refresh publishes: a snapshot, and the advice for the
// snapshot of the same taken. Each is true when it was written, false
// when nothing was (the stored one, if any, is then the previous one).
class SnapshotWriter {
 public:
  virtual ~SnapshotWriter() = default;
  virtual bool save(const Snapshot& snapshot) = 0;
  virtual bool saveAdvice(const Advice& advice) = 0;
};

// scanPorts over whatever registry the source gives now, with the advice
// of the same reading.
class RegistryPortScanner final : public PortScanner {
 public:
  explicit RegistryPortScanner(RegistrySource& source) : source_(source) {}
  Scan scan(PointInTime taken) override;

 private:
  RegistrySource& source_;
};

// mergeThunderbolt, running the report tool through the runner.
class ThunderboltMerger final : public SnapshotMerger {
 public:
  explicit ThunderboltMerger(ProcessRunner& runner) : runner_(runner) {}
  Snapshot merge(const Snapshot& snapshot) override;

 private:
  ProcessRunner& runner_;
};

class StoreSnapshotWriter final : public SnapshotWriter {
 public:
  explicit StoreSnapshotWriter(const SnapshotStore& store) : store_(store) {}
  bool save(const Snapshot& snapshot) override { return store_.saveSnapshot(snapshot); }
  bool saveAdvice(const Advice& advice) override { return store_.saveAdvice(advice); }

 private:
  const SnapshotStore& store_;
};

}  // namespace plugscope
