// Figures of a running Windows process for the benchmarks, read the way that works under Wine
// too: GetProcessTimes of another process reads 0 there, so CPU time comes from the Linux
// process behind it (driver::LinuxPidOf finds it) when there is one.
#pragma once

#include <string>

#include "platform/win.h"

namespace bench {

// The Linux process id of this prefix's wineserver (WINEPREFIX in its environment); 0 when
// not under Wine or not found.
long WineserverPid();

// CPU seconds (user + kernel) used so far: from /proc when linuxPid is nonzero, else from
// GetProcessTimes(process).
double CpuSeconds(HANDLE process, long linuxPid);

}  // namespace bench
