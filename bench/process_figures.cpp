#include "bench/process_figures.h"

#include <cstdlib>
#include <sstream>

#include "tests/support/driver.h"

namespace bench {

long WineserverPid() {
  char prefix[1024];
  const DWORD n = GetEnvironmentVariableA("WINEPREFIX", prefix, sizeof prefix);
  if (n == 0 || n >= sizeof prefix) return 0;
  const std::string wanted = std::string("WINEPREFIX=") + prefix + '\0';
  return driver::FindLinuxProcess([&](long candidate) {
    if (driver::LinuxProcFile(candidate, L"comm").rfind("wineserver", 0) != 0) return false;
    const std::string environment = '\0' + driver::LinuxProcFile(candidate, L"environ");
    return environment.find('\0' + wanted) != std::string::npos;
  });
}

double CpuSeconds(HANDLE process, long linuxPid) {
  if (linuxPid) {
    const std::string stat = driver::LinuxProcFile(linuxPid, L"stat");
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

}  // namespace bench
