// Our small window toolkit on raw Win32: windows built from layout tables, the skinned
// controls, modal loading, event pumping, the exit routine and cross-thread label text.
// Everything here runs on the user-interface thread unless it says otherwise.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/win.h"
#include "toolkit/layout.h"
#include "toolkit/picture.h"

namespace toolkit {

// Start-up: DPI awareness fallback, common controls, window classes. Call once, first.
bool Start();

class Window;

// Mouse events carry the position as the message gives it: x from the low word and y from
// the high word, both unsigned, so a point left of or above the control arrives as
// 65536 minus the distance.
using MouseHandler = std::function<void(unsigned x, unsigned y)>;
using Handler = std::function<void()>;

class Window {
 public:
  explicit Window(const WindowLayout& layout);
  ~Window();
  Window(const Window&) = delete;
  Window& operator=(const Window&) = delete;

  // Creates the window hidden and centred on the screen, with all its controls.
  bool Create(HWND owner = nullptr);

  HWND hwnd() const { return hwnd_; }
  bool alive() const { return hwnd_ != nullptr && IsWindow(hwnd_); }
  HWND Control(int id) const;
  int dpi() const { return dpi_; }
  const WindowLayout& layout() const { return layout_; }

  // Events of controls, by control id.
  void OnLeftButtonDown(int id, MouseHandler handler);
  void OnLeftButtonUp(int id, MouseHandler handler);
  void OnMouseMove(int id, MouseHandler handler);
  void OnMouseLeave(int id, Handler handler);  // TrackMouseEvent's WM_MOUSELEAVE
  void OnClick(int id, Handler handler);
  // Return false to keep the window open; the default allows every close.
  std::function<bool()> onCanClose;
  Handler onDestroyed;

  // Properties of controls.
  void SetText(int id, const std::wstring& text);
  std::wstring Text(int id) const;
  void SetVisible(int id, bool visible);
  void SetPicture(int id, const Picture* picture);  // invalidates; painted with the next repaint
  void Repaint(int id);                             // paints the control now
  ButtonColours GetButtonColours(int id) const;
  void SetButtonColours(int id, const ButtonColours& colours);
  int ListSelection(int id) const;
  void SetListSelection(int id, int index);
  void SetProgress(int id, int position);

 private:
  struct ControlState;
  friend LRESULT CALLBACK WindowProc(HWND, UINT, WPARAM, LPARAM) noexcept;
  friend LRESULT CALLBACK ControlProc(HWND, UINT, WPARAM, LPARAM) noexcept;
  friend LRESULT CALLBACK SystemControlProc(HWND, UINT, WPARAM, LPARAM, UINT_PTR, DWORD_PTR) noexcept;
  friend void PaintBackgroundOf(HWND, HDC);

  ControlState* State(int id) const;
  void CreateControls();
  void ApplyDpi(int dpi);
  HFONT Font(FontKind kind) const;
  LRESULT Handle(UINT msg, WPARAM wp, LPARAM lp);
  LRESULT HandleControl(ControlState& c, UINT msg, WPARAM wp, LPARAM lp);
  void PaintControl(ControlState& c, HDC dc);
  void PaintBackground(HDC dc);

  const WindowLayout& layout_;
  HWND hwnd_ = nullptr;
  int dpi_ = 96;
  std::vector<std::unique_ptr<ControlState>> controls_;
  HFONT fonts_[3]{};
};

// The toolkit window behind a top-level handle; null when the handle is not one of ours.
Window* WindowFromHandle(HWND hwnd);

// Loads a window as a modal dialog: creates it (visible), disables the owner, runs
// onCreated, then dispatches events until the window is destroyed, and re-enables the
// owner. Returns once the dialog is gone.
void LoadModal(Window& dialog, HWND owner, const std::function<void(Window&)>& onCreated);

// Makes the window the program's start window: when it is destroyed the message loop ends.
void SetStartWindow(HWND hwnd);

// Dispatches every message already queued for this thread, then returns. A quit request
// found in the queue ends the program there (the exit routine runs).
void ProcessPendingEvents();

// Keeps dispatching events until the given number of milliseconds has passed; waits for
// messages between them rather than spinning.
void WaitWhileProcessingEvents(unsigned milliseconds);

// Runs the message loop until the start window is gone; returns the exit code.
int RunMessageLoop();

// The message box; the toolkit's default title is "信息：".
int ShowMessage(HWND owner, const std::wstring& text, const std::wstring& title = L"信息：",
                UINT flags = MB_OK);

// The routine run once at every orderly end of the process.
void SetExitRoutine(void (*routine)());
// Runs the exit routine (once, whoever calls first) and ends the process with the code.
[[noreturn]] void ExitProgram(int code);

// Sets a label's text from any thread. On the label's own thread it is set at once;
// from any other thread it is posted to the label's thread, which sets it when it
// dispatches its events (workers never touch the window themselves).
void SetLabelTextFromAnyThread(HWND label, std::wstring text);

// Makes a top-level window layered with a constant alpha (0 to 255; anything else is
// 255). The extended style becomes WS_EX_LAYERED alone. Returns false on failure.
bool SetWindowAlpha(HWND hwnd, int alpha);

}  // namespace toolkit
