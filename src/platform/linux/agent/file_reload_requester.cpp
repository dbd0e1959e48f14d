#include "platform/linux/agent/file_reload_requester.h"

#include <algorithm>
#include <limits>
#include <string>

#include "shared/integer_text.h"

namespace plugscope {
namespace {

constexpr std::size_t kMaxStampBytes = 64;

std::int64_t storedStamp(FileSystem& files, const std::string& path) {
  auto text = files.readFile(path, kMaxStampBytes);
  if (!text) return 0;
  if (!text->empty() && text->back() == '\n') text->pop_back();
  auto value = parseIntegerText(*text);
  return value && *value > 0 ? *value : 0;
}

}  // namespace

void FileReloadRequester::requestReload() {
  auto directory = reloadDirectory(env_);
  if (!directory || !files_.makeDirectories(*directory, 0700)) return;
  std::int64_t stamp = std::max(lastStamp_, storedStamp(files_, *directory + "/" + kReloadFileName));
  // A stamp at the very top of the range starts over rather than overflow.
  stamp = stamp == std::numeric_limits<std::int64_t>::max() ? 1 : stamp + 1;
  lastStamp_ = stamp;
  // Watchers need the event, not durability: no flush.
  replaceFileAtomically(files_, *directory, kReloadFileName, std::to_string(stamp) + "\n", 0600,
                        /*flush=*/false);
}

}  // namespace plugscope
