#include "platform/linux/xdg_autostart_login_item.h"

namespace plugscope {

std::string agentAutostartEntryText(std::string_view executablePath) {
  return autostartEntryText(kAgentAutostartEntry, executablePath);
}

bool XdgAutostartLoginItem::registerAtLogin() {
  return executablePath_ &&
         writeAutostartEntry(env_, files_, kAgentAutostartEntry, *executablePath_);
}

}  // namespace plugscope
