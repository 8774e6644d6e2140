#include "settings/upkeep.h"

#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <cwctype>
#include <memory>
#include <vector>

#include "platform/unique.h"
#include "settings/settings_file.h"

namespace settings {
namespace {

// COM for the calling thread while this lives, balanced only when it was taken here.
class ComScope {
 public:
  ComScope() : hr_(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
  ~ComScope() {
    if (SUCCEEDED(hr_)) CoUninitialize();
  }
  ComScope(const ComScope&) = delete;
  ComScope& operator=(const ComScope&) = delete;

 private:
  HRESULT hr_;
};

template <typename T>
struct ComRelease {
  void operator()(T* p) const {
    if (p) p->Release();
  }
};

void NotifyShell(LONG event, const std::wstring& path) {
  SHChangeNotify(event | SHCNE_INTERRUPT, SHCNF_PATHW | SHCNF_FLUSH, path.c_str(), nullptr);
}

std::wstring ParentOf(const std::wstring& path) {
  const size_t slash = path.find_last_of(L'\\');
  return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
}

}  // namespace

bool EnableDebugPrivilege(DWORD processId, bool processIdGiven) {
  if (!processIdGiven) processId = GetCurrentProcessId();
  platform::UniqueHandle process(OpenProcess(PROCESS_ALL_ACCESS, FALSE, processId));
  HANDLE rawToken = nullptr;
  OpenProcessToken(process.get(), TOKEN_ALL_ACCESS, &rawToken);
  platform::UniqueHandle token(rawToken);
  TOKEN_PRIVILEGES privileges{};
  privileges.PrivilegeCount = 1;
  LookupPrivilegeValueW(nullptr, SE_DEBUG_NAME, &privileges.Privileges[0].Luid);
  privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
  return AdjustTokenPrivileges(token.get(), FALSE, &privileges, 0, nullptr, nullptr) != FALSE;
}

bool FolderExists(std::wstring_view path) {
  std::wstring p(path);
  if (!p.empty() && p.back() == L'\\') p.pop_back();
  const size_t slash = p.find_last_of(L'\\');
  const std::wstring parent = slash == std::wstring::npos ? std::wstring() : p.substr(0, slash + 1);
  const std::wstring name = slash == std::wstring::npos ? p : p.substr(slash + 1);
  WIN32_FIND_DATAW entry;
  platform::UniqueFindHandle find(FindFirstFileW((parent + L"*.*").c_str(), &entry));
  if (!find) return false;
  do {
    // Exact comparison: a folder whose name differs only in letter case is another name.
    if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && name == entry.cFileName) return true;
  } while (FindNextFileW(find.get(), &entry));
  return false;
}

bool CreateFolder(std::wstring_view path) { return CreateDirectoryW(std::wstring(path).c_str(), nullptr) != FALSE; }

bool WriteWebShortcut(std::wstring_view path, std::wstring_view address, std::wstring_view iconFile,
                      std::optional<int> hotkey) {
  std::wstring file(path);
  std::wstring tail = file.size() >= 4 ? file.substr(file.size() - 4) : file;
  for (wchar_t& c : tail) c = static_cast<wchar_t>(std::towlower(c));
  if (tail != L".url") file += L".url";
  if (GetFileAttributesW(file.c_str()) != INVALID_FILE_ATTRIBUTES) DeleteFileW(file.c_str());

  const std::wstring url(address);
  WritePrivateProfileStringW(L"DEFAULT", L"BASEURL", url.c_str(), file.c_str());
  WritePrivateProfileStringW(L"InternetShortcut", L"URL", url.c_str(), file.c_str());
  if (hotkey) WritePrivateProfileStringW(L"InternetShortcut", L"Hotkey", std::to_wstring(*hotkey).c_str(), file.c_str());
  if (!iconFile.empty())
    WritePrivateProfileStringW(L"InternetShortcut", L"IconFile", std::wstring(iconFile).c_str(), file.c_str());
  return GetFileAttributesW(file.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::wstring ShellFolderPath(int location) {
  const int csidl = location == kStartMenuFolder ? CSIDL_STARTMENU
                    : location == kDesktopFolder ? CSIDL_DESKTOPDIRECTORY
                                                 : CSIDL_PROGRAMS;
  wchar_t folder[MAX_PATH] = {};
  if (!SHGetSpecialFolderPathW(nullptr, folder, csidl, FALSE)) return {};
  return folder;
}

bool CreateProgramGroup(std::wstring_view name, int location) {
  const std::wstring base = ShellFolderPath(location);
  // Without the shell folder the path would be relative to the current drive's root.
  if (base.empty()) return false;
  const std::wstring folder = base + L"\\" + std::wstring(name);
  if (!CreateDirectoryW(folder.c_str(), nullptr)) return false;
  NotifyShell(SHCNE_MKDIR, folder);
  NotifyShell(SHCNE_UPDATEDIR, base);
  return true;
}

bool CreateProgramItem(std::wstring_view group, std::wstring_view item, std::wstring_view target, int location) {
  const std::wstring targetPath(target);
  {
    WIN32_FIND_DATAW found;
    platform::UniqueFindHandle find(FindFirstFileW(targetPath.c_str(), &found));
    if (!find) return false;
  }
  const std::wstring base = ShellFolderPath(location);
  if (base.empty()) return false;
  const std::wstring link = base + L"\\" + std::wstring(group) + L"\\" + std::wstring(item) + L".lnk";

  ComScope com;
  IShellLinkW* rawLink = nullptr;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                              reinterpret_cast<void**>(&rawLink))) ||
      !rawLink)
    return false;
  std::unique_ptr<IShellLinkW, ComRelease<IShellLinkW>> shellLink(rawLink);
  shellLink->SetPath(targetPath.c_str());
  IPersistFile* rawFile = nullptr;
  if (SUCCEEDED(shellLink->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&rawFile))) && rawFile) {
    std::unique_ptr<IPersistFile, ComRelease<IPersistFile>> file(rawFile);
    file->Save(link.c_str(), TRUE);
  }
  NotifyShell(SHCNE_CREATE, link);
  NotifyShell(SHCNE_UPDATEDIR, ParentOf(link));
  return true;
}

std::wstring ProgramExecutablePath() {
  std::vector<wchar_t> buffer(MAX_PATH);
  for (;;) {
    const DWORD n = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (n == 0) return {};
    if (n < buffer.size()) return std::wstring(buffer.data(), n);
    buffer.resize(buffer.size() * 2);
  }
}

void RunStartupUpkeep(std::wstring_view website, std::wstring_view executable) {
  EnableDebugPrivilege();
  if (!FolderExists(kDataFolder)) CreateFolder(kDataFolder);
  WriteWebShortcut(kWebShortcutPath, website);
  CreateProgramGroup(kProgramGroupName, kProgramsFolder);
  CreateProgramItem(kProgramGroupName, kProgramItemName, executable, kStartMenuFolder);
  CreateProgramItem(kProgramGroupName, kProgramItemName, executable, kProgramsFolder);
}

}  // namespace settings
