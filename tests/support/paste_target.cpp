// A paste target for the end-to-end tests: a plain top-level window that, when it has the
// focus, logs every key going down or up and, on Ctrl+V, takes the clipboard's bitmap as any
// program would, shows it, and logs its size and a few pixels.
//
//   paste_target.exe LOGFILE [x y w h]
//
// Log lines (UTF-8, one event a line, flushed at once):
//   ready HWND
//   down VK | up VK
//   paste WIDTH HEIGHT RRGGBB@x,y ...     (pixels at the corners and the centre)
//   paste none                            (Ctrl+V with no bitmap on the clipboard)
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/unique.h"
#include "platform/win.h"

namespace {

FILE* g_log = nullptr;
HBITMAP g_pasted = nullptr;  // our own copy, shown in the window

void Log(const std::string& line) {
  std::fputs((line + "\n").c_str(), g_log);
  std::fflush(g_log);
}

std::string Hex(COLORREF c) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%02X%02X%02X", GetRValue(c), GetGValue(c), GetBValue(c));
  return buf;
}

void Paste(HWND hwnd) {
  bool opened = false;
  for (int i = 0; i < 50 && !(opened = OpenClipboard(hwnd)); ++i) Sleep(10);
  if (!opened) {
    Log("paste busy");
    return;
  }
  HBITMAP clip = static_cast<HBITMAP>(GetClipboardData(CF_BITMAP));
  if (!clip) {
    CloseClipboard();
    Log("paste none");
    return;
  }
  BITMAP bm{};
  GetObjectW(clip, sizeof bm, &bm);
  // Copy the bitmap into one of our own before closing the clipboard: the handle stays the
  // clipboard's.
  HBITMAP copy = static_cast<HBITMAP>(CopyImage(clip, IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
  CloseClipboard();
  if (!copy) {
    Log("paste copyfailed");
    return;
  }
  if (g_pasted) DeleteObject(g_pasted);
  g_pasted = copy;

  std::string line = "paste " + std::to_string(bm.bmWidth) + " " + std::to_string(bm.bmHeight);
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, g_pasted);
  const POINT probes[] = {{0, 0},
                          {bm.bmWidth - 1, 0},
                          {0, bm.bmHeight - 1},
                          {bm.bmWidth - 1, bm.bmHeight - 1},
                          {bm.bmWidth / 2, bm.bmHeight / 2}};
  for (const POINT& p : probes)
    line += " " + Hex(GetPixel(dc, p.x, p.y)) + "@" + std::to_string(p.x) + "," + std::to_string(p.y);
  SelectObject(dc, old);
  DeleteDC(dc);
  Log(line);
  InvalidateRect(hwnd, nullptr, TRUE);
}

LRESULT CALLBACK WndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
      Log("down " + std::to_string(wp));
      if (wp == 'V' && GetKeyState(VK_CONTROL) < 0) Paste(hwnd);
      return 0;
    case WM_KEYUP:
    case WM_SYSKEYUP:
      Log("up " + std::to_string(wp));
      return 0;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hwnd, &ps);
      RECT rc;
      GetClientRect(hwnd, &rc);
      FillRect(dc, &rc, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
      if (g_pasted) {
        BITMAP bm{};
        GetObjectW(g_pasted, sizeof bm, &bm);
        HDC mem = CreateCompatibleDC(dc);
        HGDIOBJ old = SelectObject(mem, g_pasted);
        SetStretchBltMode(dc, HALFTONE);
        StretchBlt(dc, 0, 0, rc.right, rc.bottom, mem, 0, 0, bm.bmWidth, bm.bmHeight, SRCCOPY);
        SelectObject(mem, old);
        DeleteDC(mem);
      } else {
        const wchar_t text[] = L"Paste target: press Ctrl+V";
        TextOutW(dc, 10, 10, text, static_cast<int>(wcslen(text)));
      }
      EndPaint(hwnd, &ps);
      return 0;
    }
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
  }
  return DefWindowProcW(hwnd, msg, wp, lp);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) {
    std::fputs("usage: paste_target.exe LOGFILE [x y w h]\n", stderr);
    return 2;
  }
  g_log = _wfopen(argv[1], L"w");
  if (!g_log) return 3;
  int x = 400, y = 300, w = 640, h = 360;
  if (argc >= 6) {
    x = _wtoi(argv[2]);
    y = _wtoi(argv[3]);
    w = _wtoi(argv[4]);
    h = _wtoi(argv[5]);
  }
  WNDCLASSW wc{};
  wc.lpfnWndProc = WndProc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
  wc.lpszClassName = L"TarnwickPasteTarget";
  RegisterClassW(&wc);
  HWND hwnd = CreateWindowExW(0, wc.lpszClassName, L"Paste target", WS_OVERLAPPEDWINDOW | WS_VISIBLE, x, y, w, h,
                              nullptr, nullptr, wc.hInstance, nullptr);
  if (!hwnd) return 4;
  SetForegroundWindow(hwnd);
  SetFocus(hwnd);
  char ready[64];
  std::snprintf(ready, sizeof ready, "ready %llu", static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(hwnd)));
  Log(ready);
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  if (g_pasted) DeleteObject(g_pasted);
  std::fclose(g_log);
  return 0;
}
