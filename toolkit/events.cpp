// Event pumping, modal loading, the exit routine and the other process-wide services.
#include <atomic>
#include <cstdlib>

#include "toolkit/messages.h"
#include "toolkit/toolkit.h"

namespace toolkit {
namespace {

HWND g_startWindow = nullptr;
// Set when the start window is destroyed. The quit message posted then can be swallowed by
// a modal loop of the system (a window drag ends on WM_QUIT without posting it again), so
// the loops here also look at this.
bool g_startWindowGone = false;
void (*g_exitRoutine)() = nullptr;
std::atomic<bool> g_exitRoutineRan{false};

void RunExitRoutineOnce() {
  if (g_exitRoutineRan.exchange(true)) return;
  if (g_exitRoutine) g_exitRoutine();
}

// Keys the toolkit handles before the focused control sees them: Esc asks a window whose
// layout says so to close.
bool PreTranslate(const MSG& msg) {
  if (msg.message != WM_KEYDOWN || msg.wParam != VK_ESCAPE) return false;
  HWND root = GetAncestor(msg.hwnd, GA_ROOT);
  Window* window = WindowFromHandle(root);
  if (!window || !window->layout().escCloses) return false;
  SendMessageW(root, WM_CLOSE, 0, 0);
  return true;
}

void Dispatch(MSG& msg) {
  if (msg.message == WM_QUIT) ExitProgram(static_cast<int>(msg.wParam));
  if (!PreTranslate(msg)) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  if (g_startWindowGone) ExitProgram(0);
}

}  // namespace

void SetStartWindow(HWND hwnd) { g_startWindow = hwnd; }

namespace detail {
// Called by every toolkit window as it is destroyed: the start window's end is the end of
// the message loop.
void WindowDestroyed(HWND hwnd) {
  if (hwnd && hwnd == g_startWindow) {
    g_startWindow = nullptr;
    g_startWindowGone = true;
    PostQuitMessage(0);
  }
}
}  // namespace detail

void ProcessPendingEvents() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) Dispatch(msg);
}

void WaitWhileProcessingEvents(unsigned milliseconds) {
  const ULONGLONG deadline = GetTickCount64() + milliseconds;
  for (;;) {
    ProcessPendingEvents();
    const ULONGLONG now = GetTickCount64();
    if (now >= deadline) return;
    // Sleeps only until the next message or the deadline, whichever comes first.
    MsgWaitForMultipleObjectsEx(0, nullptr, static_cast<DWORD>(deadline - now), QS_ALLINPUT,
                                MWMO_INPUTAVAILABLE);
  }
}

int RunMessageLoop() {
  MSG msg;
  for (;;) {
    const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
    if (got == 0) return static_cast<int>(msg.wParam);
    if (got == -1) return 1;
    if (!PreTranslate(msg)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    if (g_startWindowGone) return 0;
  }
}

void LoadModal(Window& dialog, HWND owner, const std::function<void(Window&)>& onCreated) {
  if (!dialog.Create(owner)) return;
  ShowWindow(dialog.hwnd(), SW_SHOW);
  const bool disabledOwner = owner && IsWindowEnabled(owner) && EnableWindow(owner, FALSE) == 0;
  if (onCreated) onCreated(dialog);
  MSG msg;
  while (dialog.alive()) {
    const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
    if (got == -1) break;
    Dispatch(msg);  // a quit request ends the program here
  }
  if (disabledOwner && IsWindow(owner)) EnableWindow(owner, TRUE);
}

int ShowMessage(HWND owner, const std::wstring& text, const std::wstring& title, UINT flags) {
  return MessageBoxW(owner, text.c_str(), title.c_str(), flags);
}

void SetExitRoutine(void (*routine)()) {
  g_exitRoutine = routine;
  // Also on a plain return from the entry or exit(): the flag keeps it to one run.
  static const bool registered = std::atexit(RunExitRoutineOnce) == 0;
  (void)registered;
}

void ExitProgram(int code) {
  RunExitRoutineOnce();
  ExitProcess(static_cast<UINT>(code));
}

void SetLabelTextFromAnyThread(HWND label, std::wstring text) {
  if (!label) return;
  if (GetWindowThreadProcessId(label, nullptr) == GetCurrentThreadId()) {
    SetWindowTextW(label, text.c_str());
    return;
  }
  auto* posted = new std::wstring(std::move(text));
  if (!PostMessageW(label, kMsgSetLabelText, 0, reinterpret_cast<LPARAM>(posted))) delete posted;
}

bool SetWindowAlpha(HWND hwnd, int alpha) {
  // Every supported system is of the NT family, where layered windows exist.
  if (alpha < 0 || alpha > 255) alpha = 255;
  SetWindowLongPtrW(hwnd, GWL_EXSTYLE, WS_EX_LAYERED);
  return SetLayeredWindowAttributes(hwnd, 0, static_cast<BYTE>(alpha), LWA_ALPHA) != FALSE;
}

}  // namespace toolkit
