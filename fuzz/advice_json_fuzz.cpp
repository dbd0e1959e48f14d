// Any bytes as the advice file: reading never crashes and keeps within its
// bounds, whatever reads writes back to bytes that read as the same advice,
// and a host can turn every entry into a sentence (or none) without harm.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "shared/advice_json.h"
#include "widget/hint_sentence.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  auto advice = plugscope::decodeAdviceOrNone(bytes);
  if (!advice) return 0;
  if (advice->entries.size() > plugscope::kMaxAdviceEntries) std::abort();
  const plugscope::UntranslatedStrings strings;
  for (const auto& entry : advice->entries) {
    if (entry.values.size() > plugscope::kMaxAdviceValues) std::abort();
    (void)plugscope::hintSentence(entry, strings);
  }
  auto written = plugscope::encodeAdvice(*advice);
  if (!written) return 0;  // only a non-finite taken can fail, and JSON has none
  auto again = plugscope::decodeAdviceOrNone(*written);
  if (!again || !(*again == *advice) || plugscope::encodeAdvice(*again) != written) std::abort();
  return 0;
}
