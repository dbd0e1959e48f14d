#pragma once

#include "platform/linux/registry/sysfs_tree.h"
#include "sysfs_rules/sysfs_facts.h"

namespace plugscope {

// Reads what the tree's sysfs tells into facts: the Type-C connectors of
// class/typec (or bus/typec/devices where the class is missing, as in
// umockdev test beds) with their partners, cables, modes, links and power
// delivery objects; the USB devices of bus/usb/devices; the Thunderbolt
// routers of bus/thunderbolt/devices; the entries of class/power_supply.
// Only reads: every file at most once, no decision about what it means,
// nothing kept open. A missing or unreadable file is an absent fact; a
// missing tree gives empty facts.
SysfsFacts readSysfsFacts(const SysfsTree& tree);

}  // namespace plugscope
