#pragma once

#include "desktop/panel_summary.h"

namespace plugscope {

// The application's entry in the desktop panel's status area.
class PanelEntry {
 public:
  virtual ~PanelEntry() = default;
  // Shows `state` from now on; tells the panel only what changed.
  virtual void update(const PanelState& state) = 0;
};

}  // namespace plugscope
