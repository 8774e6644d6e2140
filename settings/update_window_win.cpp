#include "settings/update_window_win.h"

#include <commctrl.h>

#include <cstdlib>

#include "toolkit/toolkit.h"

namespace settings {

void ApplyColourKey(HWND window, COLORREF key) {
  SetWindowLongW(window, GWL_EXSTYLE, WS_EX_LAYERED);
  SetLayeredWindowAttributes(window, key, 255, LWA_COLORKEY);
}

platform::PageReadLimits UpdatePageLimits() { return platform::PageReadLimits{}; }

FetchedPage FetchUpdatePage(std::wstring_view url, const platform::PageReadLimits& limits) {
  platform::PageReadResult read = platform::ReadPage(url, limits, toolkit::ProcessPendingEvents);
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

void Win32UpdateWindowUi::ProcessPendingEvents() { toolkit::ProcessPendingEvents(); }

void Win32UpdateWindowUi::WaitProcessingEvents(int ms) {
  if (ms > 0) toolkit::WaitWhileProcessingEvents(static_cast<unsigned>(ms));
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
                                   std::wstring_view qqNumber, const platform::PageReadLimits& limits) {
  Win32UpdateWindowUi ui(parts);
  return RunUpdateCheck(
      ui, [&] { return FetchUpdatePage(url, limits); }, qqNumber, pageText);
}

}  // namespace settings
