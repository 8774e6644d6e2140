// Test windows on threads of their own (so PrintWindow's messages are answered while the
// test waits): one paints a known pattern in WM_PAINT and WM_PRINTCLIENT, or a solid colour.
//
// Pattern, in client coordinates (client 400 x 200):
//   y 0..99:    red x 0..99, green 100..199, blue 200..299, white 300..399
//   y 100..199: 32 grey stripes 8 pixels wide (grey i*8 for stripe i) over x 0..255,
//               black from 256 on
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>
#include <thread>

#include "platform/gdi.h"
#include "platform/win.h"

namespace testsupport {

inline constexpr int kPatternWidth = 400;
inline constexpr int kPatternHeight = 200;

inline COLORREF PatternColour(int x, int y) {
  if (y < 100) {
    if (x < 100) return RGB(255, 0, 0);
    if (x < 200) return RGB(0, 255, 0);
    if (x < 300) return RGB(0, 0, 255);
    return RGB(255, 255, 255);
  }
  if (x < 256) {
    const int g = (x / 8) * 8;
    return RGB(g, g, g);
  }
  return RGB(0, 0, 0);
}

// Points worth checking, one inside each block and each stripe.
template <typename Fn>
void ForEachPatternProbe(Fn fn) {
  const int blocks[][2] = {{50, 50}, {150, 50}, {250, 50}, {350, 50}, {300, 150}};
  for (const auto& b : blocks) fn(b[0], b[1]);
  for (int i = 0; i < 32; ++i) fn(i * 8 + 4, 150);
}

class TestWindow {
 public:
  // solid == CLR_INVALID paints the pattern. Client size clientW x clientH at screen (x, y)
  // for the client origin; topmost, so nothing of the desktop covers it.
  TestWindow(int x, int y, int clientW, int clientH, DWORD style = WS_POPUP, COLORREF solid = CLR_INVALID)
      : solid_(solid) {
    thread_ = std::thread([=, this] { Run(x, y, clientW, clientH, style); });
    std::unique_lock<std::mutex> lock(mutex_);
    ready_.wait(lock, [&] { return started_; });
  }
  ~TestWindow() {
    if (hwnd_) PostMessageW(hwnd_, WM_CLOSE, 0, 0);
    thread_.join();
  }
  HWND hwnd() const { return hwnd_; }

 private:
  static LRESULT CALLBACK Proc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
    auto* self = reinterpret_cast<TestWindow*>(GetWindowLongPtrW(h, GWLP_USERDATA));
    switch (msg) {
      case WM_NCCREATE:
        SetWindowLongPtrW(h, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams));
        break;
      case WM_ERASEBKGND:
        return 1;
      case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(h, &ps);
        if (self) self->Paint(h, dc);
        EndPaint(h, &ps);
        return 0;
      }
      case WM_PRINTCLIENT:
        if (self) self->Paint(h, reinterpret_cast<HDC>(wp));
        return 0;
      case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(h, msg, wp, lp);
  }

  void Fill(HDC dc, int l, int t, int r, int b, COLORREF c) {
    platform::UniqueBrush brush(CreateSolidBrush(c));
    RECT rc{l, t, r, b};
    FillRect(dc, &rc, brush.get());
  }

  void Paint(HWND h, HDC dc) {
    RECT client;
    GetClientRect(h, &client);
    if (solid_ != CLR_INVALID) {
      Fill(dc, 0, 0, client.right, client.bottom, solid_);
      return;
    }
    Fill(dc, 0, 0, client.right, client.bottom, RGB(0, 0, 0));
    Fill(dc, 0, 0, 100, 100, PatternColour(0, 0));
    Fill(dc, 100, 0, 200, 100, PatternColour(100, 0));
    Fill(dc, 200, 0, 300, 100, PatternColour(200, 0));
    Fill(dc, 300, 0, 400, 100, PatternColour(300, 0));
    for (int i = 0; i < 32; ++i) Fill(dc, i * 8, 100, i * 8 + 8, 200, PatternColour(i * 8, 100));
  }

  void Run(int x, int y, int clientW, int clientH, DWORD style) {
    static const ATOM cls = [] {
      WNDCLASSEXW wc{};
      wc.cbSize = sizeof wc;
      wc.lpfnWndProc = Proc;
      wc.hInstance = GetModuleHandleW(nullptr);
      wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
      wc.lpszClassName = L"TarnwickTestPattern";
      return RegisterClassExW(&wc);
    }();
    RECT r{x, y, x + clientW, y + clientH};
    AdjustWindowRectEx(&r, style, FALSE, WS_EX_TOPMOST);
    HWND h = CreateWindowExW(WS_EX_TOPMOST | WS_EX_NOACTIVATE, reinterpret_cast<LPCWSTR>(static_cast<UINT_PTR>(cls)),
                             L"pattern", style, r.left, r.top, r.right - r.left, r.bottom - r.top, nullptr, nullptr,
                             GetModuleHandleW(nullptr), this);
    if (h) {
      ShowWindow(h, SW_SHOWNOACTIVATE);
      UpdateWindow(h);
    }
    {
      std::lock_guard<std::mutex> lock(mutex_);
      hwnd_ = h;
      started_ = true;
    }
    ready_.notify_one();
    if (!h) return;
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }

  COLORREF solid_;
  std::mutex mutex_;
  std::condition_variable ready_;
  bool started_ = false;
  HWND hwnd_ = nullptr;
  std::thread thread_;
};

// Waits until the screen shows `colour` at (x, y); false after the deadline.
inline bool WaitForScreenColour(int x, int y, COLORREF colour, std::chrono::milliseconds deadline = std::chrono::seconds(10)) {
  const auto end = std::chrono::steady_clock::now() + deadline;
  for (;;) {
    platform::WindowDC screen(nullptr);
    if (GetPixel(screen.get(), x, y) == colour) return true;
    if (std::chrono::steady_clock::now() > end) return false;
    Sleep(20);
  }
}

// Waits for a condition with a deadline.
template <typename Pred>
bool WaitFor(Pred pred, std::chrono::milliseconds deadline = std::chrono::seconds(10)) {
  const auto end = std::chrono::steady_clock::now() + deadline;
  while (!pred()) {
    if (std::chrono::steady_clock::now() > end) return false;
    Sleep(10);
  }
  return true;
}

}  // namespace testsupport
