#include "bench/process_figures.h"

#include <cctype>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace bench {
namespace {

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

// Calls visit(pid) for every numeric entry of the Linux /proc until it returns true.
template <typename Visit>
long FindLinuxProcess(Visit visit) {
  WIN32_FIND_DATAW found;
  HANDLE find = FindFirstFileW(L"Z:\\proc\\*", &found);
  if (find == INVALID_HANDLE_VALUE) return 0;
  long pid = 0;
  do {
    const std::wstring entry = found.cFileName;
    if (entry.empty() || entry.find_first_not_of(L"0123456789") != std::wstring::npos) continue;
    if (visit(entry)) pid = std::wcstol(entry.c_str(), nullptr, 10);
  } while (pid == 0 && FindNextFileW(find, &found));
  FindClose(find);
  return pid;
}

}  // namespace

std::string ReadFileBytes(const std::wstring& path) {
  std::ifstream in(path.c_str(), std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

long LinuxPidOf(std::string exePath) {
  // A Wine process's first argument is its exe, as a Linux path or a Windows one ("Z:\x\y.exe");
  // the shells and loaders that started it name the exe only in later arguments.
  exePath = Lower(exePath);
  return FindLinuxProcess([&](const std::wstring& entry) {
    const std::string cmdline = ReadFileBytes(L"Z:\\proc\\" + entry + L"\\cmdline");
    std::string first = Lower(cmdline.substr(0, cmdline.find('\0')));
    for (char& c : first) c = c == '\\' ? '/' : c;
    return first.size() >= exePath.size() && first.compare(first.size() - exePath.size(), exePath.size(), exePath) == 0;
  });
}

long WineserverPid() {
  char prefix[1024];
  const DWORD n = GetEnvironmentVariableA("WINEPREFIX", prefix, sizeof prefix);
  if (n == 0 || n >= sizeof prefix) return 0;
  const std::string wanted = std::string("WINEPREFIX=") + prefix + '\0';
  return FindLinuxProcess([&](const std::wstring& entry) {
    const std::string comm = ReadFileBytes(L"Z:\\proc\\" + entry + L"\\comm");
    if (comm.rfind("wineserver", 0) != 0) return false;
    const std::string environment = '\0' + ReadFileBytes(L"Z:\\proc\\" + entry + L"\\environ");
    return environment.find('\0' + wanted) != std::string::npos;
  });
}

double CpuSeconds(HANDLE process, long linuxPid) {
  if (linuxPid) {
    const std::string stat = ReadFileBytes(L"Z:\\proc\\" + std::to_wstring(linuxPid) + L"\\stat");
    const std::size_t close = stat.rfind(')');
    if (close == std::string::npos) return 0;
    std::istringstream in(stat.substr(close + 2));
    std::string field;
    double ticks = 0;
    for (int i = 3; i <= 15 && in >> field; ++i)
      if (i >= 14) ticks += std::atof(field.c_str());  // utime, stime
    return ticks / 100.0;  // USER_HZ
  }
  FILETIME created, exited, kernel, user;
  if (!GetProcessTimes(process, &created, &exited, &kernel, &user)) return 0;
  const auto seconds = [](FILETIME f) {
    return static_cast<double>((static_cast<unsigned long long>(f.dwHighDateTime) << 32) | f.dwLowDateTime) / 1e7;
  };
  return seconds(kernel) + seconds(user);
}

long ResidentKb(long linuxPid) {
  if (!linuxPid) return 0;
  const std::string status = ReadFileBytes(L"Z:\\proc\\" + std::to_wstring(linuxPid) + L"\\status");
  const std::size_t at = status.find("VmRSS:");
  return at == std::string::npos ? 0 : std::atol(status.c_str() + at + 6);
}

}  // namespace bench
