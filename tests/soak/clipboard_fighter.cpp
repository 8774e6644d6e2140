// Another program fighting over the clipboard: with a window of its own it opens and closes
// the clipboard at random moments, mostly for a moment and now and then for longer than
// anyone waits for it, until the stop event is set or its time is up.
//   clipboard_fighter.exe SECONDS SEED STOP_EVENT_NAME LOGFILE
// The log gets one line at the end: "opens N long M".
#include <cstdio>
#include <cstdlib>
#include <random>

#include "platform/win.h"

int wmain(int argc, wchar_t** argv) {
  if (argc != 5) {
    std::fputs("usage: clipboard_fighter.exe SECONDS SEED STOP_EVENT_NAME LOGFILE\n", stderr);
    return 2;
  }
  const DWORD limitMs = static_cast<DWORD>(_wtoi(argv[1])) * 1000;
  std::mt19937 random(static_cast<unsigned>(_wtoi(argv[2])));
  HANDLE stop = CreateEventW(nullptr, TRUE, FALSE, argv[3]);
  // A real (hidden) top-level window, as a program would use.
  HWND window = CreateWindowExW(0, L"STATIC", L"clipboard fighter", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                GetModuleHandleW(nullptr), nullptr);
  const auto pump = [] {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
  };
  // Waits ms while answering messages; false when it is time to stop.
  const auto wait = [&](DWORD ms) {
    const DWORD until = GetTickCount() + ms;
    for (;;) {
      pump();
      const DWORD now = GetTickCount();
      if (static_cast<LONG>(until - now) <= 0) return true;
      if (MsgWaitForMultipleObjects(1, &stop, FALSE, until - now, QS_ALLINPUT) == WAIT_OBJECT_0) return false;
    }
  };
  const DWORD start = GetTickCount();
  long opens = 0, longHolds = 0;
  std::uniform_int_distribution<int> gap(5, 150), hold(1, 60), chance(0, 99);
  while (GetTickCount() - start < limitMs) {
    if (!wait(static_cast<DWORD>(gap(random)))) break;
    if (!OpenClipboard(window)) continue;
    ++opens;
    // One hold in twelve outlasts the program's patience with a busy clipboard.
    const bool longHold = chance(random) < 8;
    longHolds += longHold;
    const bool more = wait(longHold ? 900 : static_cast<DWORD>(hold(random)));
    CloseClipboard();
    if (!more) break;
  }
  if (FILE* log = _wfopen(argv[4], L"w")) {
    std::fprintf(log, "opens %ld long %ld\n", opens, longHolds);
    std::fclose(log);
  }
  DestroyWindow(window);
  CloseHandle(stop);
  return 0;
}
