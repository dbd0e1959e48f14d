#pragma once

#include "host/reload_requests.h"
#include "shared/clock.h"
#include "shared/point_in_time.h"

namespace plugscope {

// When a widget host asks the provider again: at the entry's reload date
// (HostedEntry::next), and at once when a reload request arrives. No host
// sleeps longer than kLongestReloadWaitSeconds at a time, so that a clock
// set forward is noticed within a minute. Every host follows this one
// schedule: one that may block calls waitForReload; one with an event loop
// of its own arms a timer for reloadDelayMilliseconds, asks reloadDue when
// it fires, and watches ReloadRequests::descriptor().

inline constexpr double kLongestReloadWaitSeconds = 60;

// Whether the entry due at `next` is due when the clock says `now`.
bool reloadDue(PointInTime now, PointInTime next);

// How long to sleep before asking whether `next` is due: the time left,
// 0 when it is due already, never more than kLongestReloadWaitSeconds
// (also when `next` is no number).
double reloadDelaySeconds(PointInTime now, PointInTime next);
// The same in GLib's milliseconds, rounded up to a whole one.
unsigned reloadDelayMilliseconds(PointInTime now, PointInTime next);

// Blocks until the provider should be asked again: `next` has come or a
// request arrived (true), or the requests are closed (false).
bool waitForReload(ReloadRequests& requests, const Clock& clock, PointInTime next);

}  // namespace plugscope
