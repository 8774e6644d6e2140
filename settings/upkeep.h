// The start-up upkeep: the debug privilege, the data folder, the web shortcut file in it and
// the Start-menu program group with its items. Nothing here reports to the user; every
// operation fails silently (no drive D:, no rights) and the others still run.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/win.h"

namespace settings {

inline constexpr const wchar_t* kWebShortcutPath = L"D:\\Tarnwick\\Tarnwick官网";  // ".url" is added
inline constexpr const wchar_t* kProgramGroupName = L"Tarnwick";
inline constexpr const wchar_t* kProgramItemName = L"Tarnwick-----一键截图";

// Shell folder locations of the group and item operations; any other value counts as
// kProgramsFolder.
inline constexpr int kStartMenuFolder = 0;  // CSIDL_STARTMENU
inline constexpr int kProgramsFolder = 1;   // CSIDL_PROGRAMS
inline constexpr int kDesktopFolder = 2;    // CSIDL_DESKTOPDIRECTORY

// Enables SeDebugPrivilege in the access token of the process (this one when no id is
// given). Returns what AdjustTokenPrivileges returned.
bool EnableDebugPrivilege(DWORD processId = 0, bool processIdGiven = false);

// Whether the parent folder lists a folder of exactly this last name (case counts; a file of
// that name does not). A trailing "\" is ignored.
bool FolderExists(std::wstring_view path);

// Creates one folder; false when it could not (it exists, no parent, no drive).
bool CreateFolder(std::wstring_view path);

// Writes the web shortcut file from nothing: ".url" is added unless the path ends with it (in
// any case), an existing entry is deleted, then section "DEFAULT" key "BASEURL" and section
// "InternetShortcut" key "URL" get the address, plus "Hotkey" and "IconFile" when given.
// Returns whether an entry of that name exists afterwards.
bool WriteWebShortcut(std::wstring_view path, std::wstring_view address, std::wstring_view iconFile = {},
                      std::optional<int> hotkey = std::nullopt);

// The shell folder of a location, or the empty text when the system has none.
std::wstring ShellFolderPath(int location);

// Creates the folder `name` in the shell folder of `location` and tells the shell. True only
// when it was created now.
bool CreateProgramGroup(std::wstring_view name, int location = kProgramsFolder);

// Saves "<shell folder>\<group>\<item>.lnk", a shell link to `target` (nothing else set),
// replacing one of that name, and tells the shell. False when the target does not exist or
// the link object cannot be made; whether the save succeeded is not looked at (a missing
// group folder means no file, yet true).
bool CreateProgramItem(std::wstring_view group, std::wstring_view item, std::wstring_view target,
                       int location = kProgramsFolder);

// The full path of the running program's executable file.
std::wstring ProgramExecutablePath();

// The whole upkeep of a start, in its order: privilege; data folder "D:\Tarnwick" when
// missing; the web shortcut with `website`; the group "Tarnwick" in Programs; the item
// "Tarnwick-----一键截图" to `executable` in "Start menu\Tarnwick" (written only where such a
// folder exists) and in the Programs group.
void RunStartupUpkeep(std::wstring_view website, std::wstring_view executable);

}  // namespace settings
