// Loading a system DLL from the system folder only: never from the program's folder or the
// current folder, where a planted copy could sit.
#pragma once

#include <string>

#include "platform/win.h"

namespace platform {

#ifndef LOAD_LIBRARY_SEARCH_SYSTEM32
#define LOAD_LIBRARY_SEARCH_SYSTEM32 0x00000800
#endif

// `fileName` is a bare file name with its extension ("ole32.dll"). Returns null when the
// library is not there. The library stays loaded; callers keep the handle for the process.
inline HMODULE LoadSystemLibrary(const wchar_t* fileName) {
  // Windows 7 without its loader update rejects the flag; the full path below is then used.
  if (HMODULE m = LoadLibraryExW(fileName, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32)) return m;
  wchar_t folder[MAX_PATH];
  const UINT n = GetSystemDirectoryW(folder, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return nullptr;
  std::wstring path(folder, n);
  if (path.back() != L'\\') path += L'\\';
  path += fileName;
  // Dependencies are looked up beside the library itself, that is in the system folder too.
  return LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

// GetProcAddress cast to the entry point's own type.
template <typename Fn>
Fn GetEntryPoint(HMODULE module, const char* name) {
  return module ? reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name))) : nullptr;
}

}  // namespace platform
