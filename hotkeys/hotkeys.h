// The program's hotkey engine: one table of hotkeys for the whole program, polled by a
// thread timer on the user-interface thread. Every call here belongs on that thread.
#pragma once

#include <cstdint>

#include "hotkeys/hotkey_engine.h"
#include "platform/win.h"

namespace hotkeys {

// Registers (or updates, or reactivates) a hotkey in the program's table and returns its id,
// or 0 when keyCode or a nonzero secondKey names no key. The first registration starts the
// thread timer on the calling thread, which from then on must run a message loop.
int32_t AddHotkey(HotkeyCallback callback, int32_t keyCode, int32_t modifiers = 0, int32_t secondKey = 0,
                  int32_t interval = 0, int32_t directCall = 0);

// id 0 deactivates every hotkey (true); otherwise the one with that id (false if none has it).
bool ClearHotkey(int32_t id = 0);

// One tick over the program's table. Only HotkeyTimerProc calls it.
void PollHotkeys();

// The thread timer's procedure (event id 16661).
void CALLBACK HotkeyTimerProc(HWND, UINT, UINT_PTR, DWORD);

// At the program's end: frees every record, then the table. The engine refuses new hotkeys
// and ticks judge nothing afterwards.
void FreeHotkeyTable();

// The Win32 side of the engine (SetTimer, GetAsyncKeyState, CreateThread, CallWindowProcA).
HotkeyPlatform& Win32HotkeyPlatform();

}  // namespace hotkeys
