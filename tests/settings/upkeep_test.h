// Helpers shared by the upkeep tests: files on D:, profile sections, shell links, and the
// prefix's Start-menu folders cleaned before and after each test.
#pragma once

#include "settings/upkeep.h"

#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <string>
#include <utility>
#include <vector>

#include "platform/unique.h"

namespace upkeeptest {

inline std::string ReadAllBytes(const std::wstring& path) {
  platform::UniqueHandle file(
      CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  std::string bytes;
  if (!file) return bytes;
  char chunk[4096];
  DWORD got = 0;
  while (ReadFile(file.get(), chunk, sizeof chunk, &got, nullptr) && got > 0) bytes.append(chunk, got);
  return bytes;
}

inline void WriteAllBytes(const std::wstring& path, const std::string& bytes) {
  platform::UniqueHandle file(
      CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  DWORD written = 0;
  WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

inline bool Exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// "[section]" and "key=value" lines of an INI file, in order, as "section/key=value".
inline std::vector<std::string> ProfileEntries(const std::string& bytes) {
  std::vector<std::string> entries;
  std::string section;
  size_t at = 0;
  while (at < bytes.size()) {
    size_t end = bytes.find('\n', at);
    if (end == std::string::npos) end = bytes.size();
    std::string line = bytes.substr(at, end - at);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    at = end + 1;
    if (line.empty()) continue;
    if (line.front() == '[' && line.back() == ']') {
      section = line.substr(1, line.size() - 2);
      entries.push_back("[" + section + "]");
    } else {
      entries.push_back(section + "/" + line);
    }
  }
  return entries;
}

// The target of a shell link file, or the empty text.
inline std::wstring LinkTarget(const std::wstring& linkPath) {
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  std::wstring target;
  IShellLinkW* link = nullptr;
  if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                 reinterpret_cast<void**>(&link)))) {
    IPersistFile* file = nullptr;
    if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
      if (SUCCEEDED(file->Load(linkPath.c_str(), STGM_READ))) {
        wchar_t path[MAX_PATH] = {};
        if (SUCCEEDED(link->GetPath(path, MAX_PATH, nullptr, 0))) target = path;
      }
      file->Release();
    }
    link->Release();
  }
  CoUninitialize();
  return target;
}

// Removes the program's group folders (with their items) from the Start menu and Programs.
inline void RemoveProgramFolders() {
  for (int location : {settings::kStartMenuFolder, settings::kProgramsFolder}) {
    const std::wstring folder = settings::ShellFolderPath(location) + L"\\" + settings::kProgramGroupName;
    DeleteFileW((folder + L"\\" + settings::kProgramItemName + L".lnk").c_str());
    RemoveDirectoryW(folder.c_str());
  }
}

inline std::wstring ItemPath(int location) {
  return settings::ShellFolderPath(location) + L"\\" + settings::kProgramGroupName + L"\\" +
         settings::kProgramItemName + L".lnk";
}

}  // namespace upkeeptest
