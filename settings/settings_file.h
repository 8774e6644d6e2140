// The settings file on disk: "D:\Tarnwick\截图程序.ini".
#pragma once

#include <optional>

#include "settings/settings_codec.h"

namespace settings {

inline constexpr const wchar_t* kDataFolder = L"D:\\Tarnwick";
inline constexpr const wchar_t* kSettingsPath = L"D:\\Tarnwick\\截图程序.ini";

// Writes the two indices as the whole file (created, or cut to the new content). A read-only
// file or a folder of that name is left as it is. Returns whether every byte was written.
bool WriteSettingsFile(int captureIndex, int undoIndex, const wchar_t* path = kSettingsPath);

// The selections the file gives, or nothing when no entry of that name exists.
// An entry that cannot be read (a folder, a locked file) reads as an empty file.
std::optional<KeySelections> ReadSettingsFile(const wchar_t* path = kSettingsPath);

}  // namespace settings
