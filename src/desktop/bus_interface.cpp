#include "desktop/bus_interface.h"

namespace plugscope {
namespace {

std::string signatureOf(GDBusArgInfo** args) {
  std::string signature;
  for (GDBusArgInfo** arg = args; arg && *arg; ++arg) signature += (*arg)->signature;
  return signature;
}

}  // namespace

std::vector<std::string> busInterfaceListing(const GDBusInterfaceInfo& info) {
  std::vector<std::string> lines;
  for (GDBusMethodInfo** method = info.methods; method && *method; ++method) {
    lines.push_back(std::string("method ") + (*method)->name + " (" +
                    signatureOf((*method)->in_args) + ") (" + signatureOf((*method)->out_args) +
                    ")");
  }
  for (GDBusPropertyInfo** property = info.properties; property && *property; ++property) {
    const auto flags = (*property)->flags;
    const bool readable = (flags & G_DBUS_PROPERTY_INFO_FLAGS_READABLE) != 0;
    const bool writable = (flags & G_DBUS_PROPERTY_INFO_FLAGS_WRITABLE) != 0;
    const char* access = writable ? (readable ? "readwrite" : "write") : "read";
    lines.push_back(std::string("property ") + (*property)->name + " " + (*property)->signature +
                    " " + access);
  }
  for (GDBusSignalInfo** signal = info.signals; signal && *signal; ++signal) {
    lines.push_back(std::string("signal ") + (*signal)->name + " (" +
                    signatureOf((*signal)->args) + ")");
  }
  return lines;
}

}  // namespace plugscope
