#include "settings/update_window_win.h"

#include <commctrl.h>

#include <cstdlib>

#include "settings/product_info.h"

namespace settings {

void ProcessPendingEvents() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(msg.wParam));
      return;
    }
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

void WaitProcessingEvents(int ms, const std::function<void()>& processPendingEvents) {
  if (ms <= 0) return;
  const ULONGLONG end = GetTickCount64() + static_cast<ULONGLONG>(ms);
  for (;;) {
    if (processPendingEvents) processPendingEvents();
    const ULONGLONG now = GetTickCount64();
    if (now >= end) return;
    // Sleep until a message arrives or the time is up, rather than spinning on the queue.
    MsgWaitForMultipleObjectsEx(0, nullptr, static_cast<DWORD>(end - now), QS_ALLINPUT, MWMO_INPUTAVAILABLE);
  }
}

void ApplyColourKey(HWND window, COLORREF key) {
  SetWindowLongW(window, GWL_EXSTYLE, WS_EX_LAYERED);
  SetLayeredWindowAttributes(window, key, 255, LWA_COLORKEY);
}

platform::PageReadLimits UpdatePageLimits() { return platform::PageReadLimits{}; }

FetchedPage FetchUpdatePage(std::wstring_view url, const platform::PageReadLimits& limits,
                            const std::function<void()>& processPendingEvents) {
  platform::PageReadResult read = platform::ReadPage(url, limits, processPendingEvents);
  return FetchedPage{read.completed, std::move(read.body)};
}

void Win32UpdateWindowUi::ShowWindow() { ::ShowWindow(parts_.window, SW_SHOW); }

void Win32UpdateWindowUi::ApplyColourKey(unsigned colour) { settings::ApplyColourKey(parts_.window, colour); }

void Win32UpdateWindowUi::SetProgress(int position) { SendMessageW(parts_.progressBar, PBM_SETPOS, position, 0); }

void Win32UpdateWindowUi::HideProgress() { ::ShowWindow(parts_.progressBar, SW_HIDE); }

void Win32UpdateWindowUi::SetMessage(const std::wstring& text) {
  if (parts_.setLabelText) {
    parts_.setLabelText(text);
  } else if (parts_.label) {
    SetWindowTextW(parts_.label, text.c_str());
  }
}

void Win32UpdateWindowUi::ProcessPendingEvents() {
  if (parts_.processPendingEvents) parts_.processPendingEvents();
}

void Win32UpdateWindowUi::WaitProcessingEvents(int ms) {
  settings::WaitProcessingEvents(ms, parts_.processPendingEvents);
}

void Win32UpdateWindowUi::CloseWindow() {
  if (parts_.closeWindow) {
    parts_.closeWindow();
  } else {
    DestroyWindow(parts_.window);
  }
}

void Win32UpdateWindowUi::ExitProgram(int code) {
  if (parts_.exitProgram) {
    parts_.exitProgram(code);
  } else {
    std::exit(code);
  }
}

UpdateOutcome RunUpdateWindowCheck(const UpdateWindowParts& parts, std::string& pageText, std::wstring_view url,
                                   const platform::PageReadLimits& limits) {
  Win32UpdateWindowUi ui(parts);
  const std::wstring address(url.empty() ? std::wstring_view(UpdatePageUrl()) : url);
  return RunUpdateCheck(
      ui, [&] { return FetchUpdatePage(address, limits, parts.processPendingEvents); }, MakerQqNumber(), pageText);
}

}  // namespace settings
