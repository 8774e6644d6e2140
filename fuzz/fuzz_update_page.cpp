// Fuzzes the update page decision: any body gives one of the outcomes, and a page is only
// current when its first version marker names the expected version.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "settings/update_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  settings::FetchedPage page;
  page.completed = size > 0 && (data[0] & 1);
  page.body.assign(reinterpret_cast<const char*>(data), size);
  const settings::UpdateOutcome outcome = settings::JudgeUpdatePage(page);
  const std::string text = settings::PageTextFromBody(page.body);
  if (text.size() > page.body.size() || text.find('\0') != std::string::npos) __builtin_trap();
  const bool current = page.completed && settings::PageVersion(text) == settings::kExpectedVersion;
  if ((outcome == settings::UpdateOutcome::Current) != current) __builtin_trap();
  if (!page.completed && outcome != settings::UpdateOutcome::RequestFailed) __builtin_trap();
  return 0;
}
