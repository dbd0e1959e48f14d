#pragma once

#include "scanner/memory_registry.h"
#include "sysfs_rules/sysfs_facts.h"

namespace plugscope {

// The registry the scanner reads, decided from what sysfs tells: one
// "IOPort" entry per Type-C connector (in the facts' order) with its
// transport children, the USB device tree with the port each device hangs
// off, the Thunderbolt routers, and the battery entry with the charger.
// Every class and key is spelled by scanner/registry_names.h. Pure and
// total: any facts give a registry, empty facts an empty one.
MemoryRegistry registryFromFacts(const SysfsFacts& facts);

}  // namespace plugscope
