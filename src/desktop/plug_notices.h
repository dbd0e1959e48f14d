#pragma once

#include <optional>
#include <string>
#include <vector>

#include "shared/snapshot.h"

namespace plugscope {

// A desktop notification about one port that something was plugged into.
// `id` is the same for every notice about one port, so that a newer notice
// replaces an older one still on screen.
struct PlugNotice {
  std::string id;
  std::string title;  // "USB-C 3: Harbor TB4 Dock · 40 Gbps"; no speed part without a speed
  std::string body;   // the row's detail line: protocols, cable, bus power; may be empty
  friend bool operator==(const PlugNotice&, const PlugNotice&) = default;
};

// One notice for each port of `current` that is connected and that
// `previous` held (same id, first of equal ids) as not connected, in port
// order. Without a previous snapshot (the first one after launch) nothing
// is new, and neither is a port that `previous` did not have.
std::vector<PlugNotice> plugNotices(const std::optional<Snapshot>& previous,
                                    const Snapshot& current);

}  // namespace plugscope
