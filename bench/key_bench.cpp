// The running program, timed from outside: starts tarnwick.exe, sets its key, and presses it
// from this process (SendInput), alternately capturing and pasting into the paste target.
// Prints the key-press-to-bitmap-on-clipboard time (the clipboard changed and holds a bitmap), the
// key-press-to-Ctrl+V-at-the-target time, the platform floor measured in the same run (one
// BitBlt of the screen into a 16-bit DIB section plus one SetClipboardData), the program's
// idle CPU with the key set and its working set.
//
//   key_bench [presses]   (default 50; TARNWICK_EXE and PASTE_TARGET_EXE name the programs)
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "app/control_ids.h"
#include "bench/platform_floor.h"
#include "bench/process_figures.h"
#include "tests/support/driver.h"

#include <psapi.h>  // after the Windows prelude

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

using bench::Ms;

double Quantile(std::vector<double> v, double q) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  const std::size_t i = std::min(v.size() - 1, static_cast<std::size_t>(q * static_cast<double>(v.size() - 1) + 0.5));
  return v[i];
}

}  // namespace

int main(int argc, char** argv) {
  const int presses = argc > 1 ? std::max(2, std::atoi(argv[1])) : 50;
  const char* pasteExe = std::getenv("PASTE_TARGET_EXE");
  if (!std::getenv("TARNWICK_EXE") || !pasteExe) {
    std::fputs("TARNWICK_EXE and PASTE_TARGET_EXE must name the programs\n", stderr);
    return 2;
  }
  const int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);

  CreateDirectoryW(L"D:\\Tarnwick", nullptr);
  driver::Program program;
  HWND main = nullptr;
  if (!driver::Launch(program) || !(main = driver::WaitMainWindowIn(program))) {
    std::fputs("the program did not start\n", stderr);
    return 1;
  }
  driver::ClickControl(main, main_ids::超级按钮4);
  HWND status = driver::FindControl(main, main_ids::透明标签1);
  HWND captureStatus = driver::FindControl(main, main_ids::透明标签2);
  if (!driver::WaitFor([&] { return driver::Text(status) == L"状态：成功设置热键"; }, 5s)) {
    std::fputs("the key was not set\n", stderr);
    return 1;
  }

  // Idle: the key set, nothing pressed; this process only sleeps meanwhile, so the
  // wineserver's time in the window is the program's doing.
  Sleep(2000);
  const long linuxPid = driver::LinuxPidOf(std::getenv("TARNWICK_EXE"));
  const long serverPid = bench::WineserverPid();
  const double cpuBefore = bench::CpuSeconds(program.process.get(), linuxPid);
  const double serverBefore = serverPid ? bench::CpuSeconds(nullptr, serverPid) : 0;
  const auto idleStart = Clock::now();
  Sleep(30000);
  const double idleSeconds = std::chrono::duration<double>(Clock::now() - idleStart).count();
  const double idleCpu = bench::CpuSeconds(program.process.get(), linuxPid) - cpuBefore;
  const double serverCpu = serverPid ? bench::CpuSeconds(nullptr, serverPid) - serverBefore : 0;

  const std::wstring pasteLog = L"D:\\key_bench_paste.log";
  DeleteFileW(pasteLog.c_str());
  driver::PasteTarget target(pasteLog);
  if (!target.Start()) {
    std::fputs("the paste target did not start\n", stderr);
    return 1;
  }

  std::vector<double> toClipboard, toPaste, floor;
  int lost = 0, repressedCount = 0;
  for (int i = 0; i < 2 * presses && lost < 10; ++i) {
    const std::wstring label = driver::Text(captureStatus);
    const bool capture = label != L"截图状态：已截图";
    const DWORD seq = GetClipboardSequenceNumber();
    const int vDowns = target.Count("down 86");
    const auto start = Clock::now();
    driver::SendKey(VK_F2, true);
    // A press that Wine wiped (focus changes reset the key state) is pressed again; its time
    // is not counted.
    bool repressed = false;
    const auto answered = [&](const std::function<bool()>& cond) {
      return driver::WaitFor([&] {
        if (cond()) return true;
        if (GetAsyncKeyState(VK_F2) >= 0 && Clock::now() - start > 1s && !repressed) {
          driver::SendKey(VK_F2, true);
          repressed = true;
        }
        return false;
      }, 10s);
    };
    bool done = false;
    if (capture) {
      // The number moves already when the program empties the clipboard; the bitmap is on it
      // once the format is there again.
      done = answered([&] { return GetClipboardSequenceNumber() != seq && IsClipboardFormatAvailable(CF_BITMAP); });
      if (done && !repressed) toClipboard.push_back(Ms(start, Clock::now()));
      driver::WaitFor([&] { return driver::Text(captureStatus) == L"截图状态：已截图"; }, 5s);
    } else {
      done = answered([&] { return target.Count("down 86") > vDowns; });
      if (done && !repressed) toPaste.push_back(Ms(start, Clock::now()));
      driver::WaitFor([&] { return driver::Text(captureStatus) == L"截图状态：已粘贴"; }, 5s);
    }
    repressedCount += repressed;
    lost += !done;
    driver::ReleaseKey(VK_F2, 100ms);  // the program's polls see it up
    if (capture) {
      const bench::FloorTimes f = bench::PlatformFloor(width, height);
      floor.push_back(f.blit + f.set);
      Sleep(100);
    }
  }

  PROCESS_MEMORY_COUNTERS pmc{};
  pmc.cb = sizeof pmc;
  GetProcessMemoryInfo(program.process.get(), &pmc, sizeof pmc);

  const double floorMedian = Quantile(floor, 0.5);
  const double median = Quantile(toClipboard, 0.5);
  const double goal = 1.5 * floorMedian + 10;  // and one 10 ms polling period
  std::printf("Display %dx%d; %zu captures and %zu pastes timed; %d presses pressed again after Wine wiped them "
              "(not timed); %d not answered.\n\n",
              width, height, toClipboard.size(), toPaste.size(), repressedCount, lost);
  std::printf("| figure | value |\n|---|---|\n");
  std::printf("| key press to bitmap on the clipboard, median | %.1f ms |\n", median);
  std::printf("| key press to bitmap on the clipboard, 95th percentile | %.1f ms |\n", Quantile(toClipboard, 0.95));
  std::printf("| floor (one BitBlt + one SetClipboardData), median | %.1f ms |\n", floorMedian);
  std::printf("| ratio median / floor | %.2f (goal: within 1.5 x floor + 10 ms = %.1f ms: %s) |\n",
              floorMedian > 0 ? median / floorMedian : 0.0, goal, median <= goal ? "met" : "not met");
  std::printf("| key press to Ctrl+V received by the paste target, median / 95th percentile | %.1f / %.1f ms |\n",
              Quantile(toPaste, 0.5), Quantile(toPaste, 0.95));
  std::printf("| idle with the key set, %.0f s | %.2f CPU s per minute (%.2f%% of one core; goal under 0.5%%)",
              idleSeconds, idleCpu * 60 / idleSeconds, 100 * idleCpu / idleSeconds);
  if (serverPid) std::printf("; its wineserver %.2f CPU s per minute", serverCpu * 60 / idleSeconds);
  std::printf(" |\n");
  std::printf("| working set after the presses (GetProcessMemoryInfo) | %llu kB |\n",
              static_cast<unsigned long long>(pmc.WorkingSetSize / 1024));
  if (const long rss = driver::LinuxResidentKb(linuxPid); rss > 0)
    std::printf("| resident set of the wine process (VmRSS) | %ld kB |\n", rss);

  driver::Stop(target.program());
  driver::Close(program, main);
  return lost ? 1 : 0;
}
