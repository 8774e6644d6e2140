#include "settings/settings_file.h"

#include <string>

#include "platform/unique.h"

namespace settings {

bool WriteSettingsFile(int captureIndex, int undoIndex, const wchar_t* path) {
  // A read-only file is left as it is, also where the system would let its owner write it
  // all the same (Wine run as root does).
  const DWORD attributes = GetFileAttributesW(path);
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)))
    return false;

  const std::string bytes = EncodeSettings(captureIndex, undoIndex);
  platform::UniqueHandle file(CreateFileW(path, GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                                          FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return false;
  DWORD written = 0;
  return WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
         written == bytes.size();
}

std::optional<KeySelections> ReadSettingsFile(const wchar_t* path) {
  WIN32_FIND_DATAW found;
  {
    platform::UniqueFindHandle find(FindFirstFileW(path, &found));
    if (!find) return std::nullopt;
  }
  SettingsReader reader;
  platform::UniqueHandle file(CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                          nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (file) {
    // Only the first two lines count: stop reading once they are complete, so a huge
    // file costs no more memory than its first two lines.
    char chunk[64 * 1024];
    DWORD got = 0;
    while (!reader.Complete() && ReadFile(file.get(), chunk, sizeof chunk, &got, nullptr) && got > 0)
      reader.Append(std::string_view(chunk, got));
  }
  return DecodeSettings(reader.Bytes());
}

}  // namespace settings
