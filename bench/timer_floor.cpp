// The floor under the program's idle CPU: a process that does nothing but what the hotkey
// engine cannot avoid, a window and a 10 ms thread timer on its thread with an empty
// procedure. Its CPU use (and its wineserver's, under Wine) is measured the same way as the
// program's, so the two figures compare.
//
//   timer_floor [seconds]   (default 30)
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "bench/process_figures.h"
#include "tests/support/driver.h"

namespace {

void CALLBACK EmptyTick(HWND, UINT, UINT_PTR, DWORD) {}

// The Linux path of this exe under Wine ("Z:\x\y.exe" is /x/y.exe), or empty.
std::string OwnLinuxPath() {
  char path[MAX_PATH];
  const DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
  if (n < 3 || n >= MAX_PATH || (path[0] != 'Z' && path[0] != 'z') || path[1] != ':') return {};
  std::string unixPath(path + 2, n - 2);
  for (char& c : unixPath) c = c == '\\' ? '/' : c;
  return unixPath;
}

// Runs the thread's message loop until `ms` have passed.
void Pump(DWORD ms) {
  const DWORD end = GetTickCount() + ms;
  for (;;) {
    const DWORD now = GetTickCount();
    if (static_cast<LONG>(end - now) <= 0) return;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, end - now, QS_ALLINPUT);
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
  }
}

}  // namespace

int main(int argc, char** argv) {
  const int seconds = argc > 1 ? std::max(5, std::atoi(argv[1])) : 30;
  HWND window = CreateWindowExW(0, L"STATIC", L"timer floor", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 200, 100,
                                nullptr, nullptr, nullptr, nullptr);
  SetTimer(nullptr, 16661, 10, EmptyTick);
  Pump(2000);

  const long self = driver::LinuxPidOf(OwnLinuxPath());
  const long server = bench::WineserverPid();
  const double cpu0 = bench::CpuSeconds(GetCurrentProcess(), self);
  const double server0 = server ? bench::CpuSeconds(nullptr, server) : 0;
  const DWORD start = GetTickCount();
  Pump(static_cast<DWORD>(seconds) * 1000);
  const double elapsed = (GetTickCount() - start) / 1000.0;
  const double cpu = bench::CpuSeconds(GetCurrentProcess(), self) - cpu0;
  const double serverCpu = server ? bench::CpuSeconds(nullptr, server) - server0 : 0;

  std::printf("| floor: a window and an empty 10 ms thread timer, %.0f s | %.2f CPU s per minute (%.2f%% of one core)",
              elapsed, cpu * 60 / elapsed, 100 * cpu / elapsed);
  if (server) std::printf("; its wineserver %.2f CPU s per minute", serverCpu * 60 / elapsed);
  std::printf(" |\n");
  DestroyWindow(window);
  return 0;
}
