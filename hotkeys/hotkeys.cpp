#include "hotkeys/hotkeys.h"

#include <new>

namespace hotkeys {
namespace {

// Created with the program's other state at start, freed by FreeHotkeyTable at its end.
// Touched only by the user-interface thread: no lock.
HotkeyTable* programTable = new HotkeyTable;

struct ThreadStart {
  HotkeyCallback callback;
  int32_t id;
};

// The callback is a function of our own type; the thread's start routine is this one, which
// hands it the id.
DWORD WINAPI HotkeyThreadStart(LPVOID parameter) {
  const ThreadStart start = *static_cast<ThreadStart*>(parameter);
  delete static_cast<ThreadStart*>(parameter);
  start.callback(start.id);
  return 0;
}

struct DirectCall {
  HotkeyCallback callback;
};

// Called through CallWindowProcA with the id in the place of the window handle, message 0 and
// wParam 0; lParam carries the callback to run.
LRESULT CALLBACK HotkeyDirectCallProc(HWND idAsWindow, UINT, WPARAM, LPARAM call) {
  reinterpret_cast<const DirectCall*>(call)->callback(
      static_cast<int32_t>(reinterpret_cast<intptr_t>(idAsWindow)));
  return 0;
}

class Win32Platform final : public HotkeyPlatform {
 public:
  void CreateTimer(uint32_t periodMs) override {
    // A thread timer: no window, so its ticks run on this thread's message loop. Never killed.
    SetTimer(nullptr, kHotkeyTimerId, periodMs, HotkeyTimerProc);
  }

  int16_t ReadKeyState(int code) override { return GetAsyncKeyState(code); }

  void StartThread(HotkeyCallback callback, int32_t id) override {
    auto* start = new (std::nothrow) ThreadStart{callback, id};
    if (start == nullptr) return;  // that firing is lost, as when a thread cannot start
    DWORD threadId = 0;
    HANDLE thread = CreateThread(nullptr, 0, HotkeyThreadStart, start, 0, &threadId);
    if (thread == nullptr) {
      delete start;
      return;
    }
    CloseHandle(thread);  // neither waited for nor tracked
  }

  void CallDirect(HotkeyCallback callback, int32_t id) override {
    DirectCall call{callback};
    CallWindowProcA(HotkeyDirectCallProc, reinterpret_cast<HWND>(static_cast<intptr_t>(id)), 0, 0,
                    reinterpret_cast<LPARAM>(&call));
  }
};

}  // namespace

HotkeyPlatform& Win32HotkeyPlatform() {
  static Win32Platform platform;
  return platform;
}

int32_t AddHotkey(HotkeyCallback callback, int32_t keyCode, int32_t modifiers, int32_t secondKey, int32_t interval,
                  int32_t directCall) {
  if (programTable == nullptr) return 0;  // the program is ending
  try {
    return AddHotkey(*programTable, Win32HotkeyPlatform(), callback, keyCode, modifiers, secondKey, interval,
                     directCall);
  } catch (const std::bad_alloc&) {
    return 0;  // no record was added; nothing may cross a window procedure or timer
  }
}

bool ClearHotkey(int32_t id) {
  if (programTable == nullptr) return id == 0;
  return ClearHotkey(*programTable, id);
}

void PollHotkeys() {
  if (programTable == nullptr) return;
  PollHotkeys(*programTable, Win32HotkeyPlatform());
}

void CALLBACK HotkeyTimerProc(HWND, UINT, UINT_PTR, DWORD) { PollHotkeys(); }

void FreeHotkeyTable() {
  if (programTable == nullptr) return;
  programTable->FreeRecords();
  delete programTable;
  programTable = nullptr;
}

}  // namespace hotkeys
