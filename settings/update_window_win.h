// The Windows side of the update check: the colour key, the page fetch with the program's
// bounds, and an UpdateWindowUi over real window handles for the update window. Waits and
// event processing are the toolkit's.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "platform/http.h"
#include "platform/win.h"
#include "settings/update_check.h"

namespace settings {

// Makes every pixel of `key` in the top-level `window` fully transparent: the extended style
// becomes WS_EX_LAYERED alone, then the colour key is set.
void ApplyColourKey(HWND window, COLORREF key);

// The program's bounds for the update page: 10 s per connect, send and receive, 20 s in all,
// 4 MiB of body.
platform::PageReadLimits UpdatePageLimits();

// Reads the update page while this thread keeps handling its messages.
FetchedPage FetchUpdatePage(std::wstring_view url, const platform::PageReadLimits& limits = UpdatePageLimits());

// The update window as handles: the window itself and its progress bar (a comctl32 progress
// bar, range 0 to 100). The label's text goes through `setLabelText` (the toolkit's
// see-through label) or, when that is empty, SetWindowTextW on `label`. `exitProgram` ends
// the program with the exit routine; when empty, std::exit. `closeWindow` ends the update
// window (the toolkit's modal dialog); when empty, DestroyWindow.
struct UpdateWindowParts {
  HWND window = nullptr;
  HWND progressBar = nullptr;
  HWND label = nullptr;
  std::function<void(const std::wstring&)> setLabelText;
  std::function<void(int)> exitProgram;
  std::function<void()> closeWindow;
};

class Win32UpdateWindowUi : public UpdateWindowUi {
 public:
  explicit Win32UpdateWindowUi(UpdateWindowParts parts) : parts_(std::move(parts)) {}
  void ShowWindow() override;
  void ApplyColourKey(unsigned colour) override;
  void SetProgress(int position) override;
  void HideProgress() override;
  void SetMessage(const std::wstring& text) override;
  void ProcessPendingEvents() override;
  void WaitProcessingEvents(int ms) override;
  void CloseWindow() override;
  void ExitProgram(int code) override;

 private:
  UpdateWindowParts parts_;
};

// What the update window's creation handler runs: the check against the update page at `url`
// with the program's bounds; `qqNumber` goes into the outdated-version message. Returns only
// when the version is current (the window is then closed); otherwise the program ends
// through parts.exitProgram.
UpdateOutcome RunUpdateWindowCheck(const UpdateWindowParts& parts, std::string& pageText, std::wstring_view url,
                                   std::wstring_view qqNumber,
                                   const platform::PageReadLimits& limits = UpdatePageLimits());

}  // namespace settings
