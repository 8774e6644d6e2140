#include "tests/support/driver.h"

#include <cstdlib>
#include <thread>

#include "app/control_ids.h"

namespace driver {

bool WaitFor(const std::function<bool()>& cond, std::chrono::milliseconds limit) {
  const auto deadline = Clock::now() + limit;
  for (;;) {
    if (cond()) return true;
    if (Clock::now() >= deadline) return cond();
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
}

std::wstring WinePath(const std::string& unixPath) {
  std::wstring path = L"Z:";
  for (char ch : unixPath) path += ch == '/' ? L'\\' : static_cast<wchar_t>(static_cast<unsigned char>(ch));
  return path;
}

bool Program::WaitExit(std::chrono::milliseconds limit) {
  if (!process) return true;
  if (WaitForSingleObject(process.get(), static_cast<DWORD>(limit.count())) != WAIT_OBJECT_0) return false;
  GetExitCodeProcess(process.get(), &exitCode);
  return true;
}

bool Program::Running() const {
  return process && WaitForSingleObject(process.get(), 0) == WAIT_TIMEOUT;
}

Program::~Program() {
  if (Running()) {
    TerminateProcess(process.get(), 99);
    WaitForSingleObject(process.get(), 5000);
  }
}

bool Launch(Program& program) {
  const char* exe = std::getenv("TARNWICK_EXE");
  if (!exe) return false;
  std::wstring path = WinePath(exe);
  std::wstring commandLine = L"\"" + path + L"\"";
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  if (!CreateProcessW(path.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
    return false;
  }
  CloseHandle(pi.hThread);
  program.process.reset(pi.hProcess);
  program.pid = pi.dwProcessId;
  return true;
}

namespace {

// A top-level window of the program, of our toolkit's class, holding a control of that id.
HWND FindToolkitWindow(DWORD pid, bool visibleOnly, int controlId) {
  struct Search {
    DWORD pid;
    bool visibleOnly;
    int controlId;
    HWND found;
  } search{pid, visibleOnly, controlId, nullptr};
  EnumWindows(
      [](HWND hwnd, LPARAM lp) -> BOOL {
        auto* s = reinterpret_cast<Search*>(lp);
        DWORD owner = 0;
        GetWindowThreadProcessId(hwnd, &owner);
        wchar_t cls[64] = {};
        GetClassNameW(hwnd, cls, 64);
        if (owner == s->pid && (!s->visibleOnly || IsWindowVisible(hwnd)) && std::wstring(cls) == L"TarnwickWindow" &&
            FindControl(hwnd, s->controlId)) {
          s->found = hwnd;
          return FALSE;
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

}  // namespace

HWND FindMainWindow(DWORD pid, bool visibleOnly) { return FindToolkitWindow(pid, visibleOnly, main_ids::列表框1); }

HWND FindUpdateWindow(DWORD pid, bool visibleOnly) { return FindToolkitWindow(pid, visibleOnly, update_ids::进度条1); }

HWND FindControl(HWND root, int id) {
  struct Search {
    int id;
    HWND found;
  } search{id, nullptr};
  EnumChildWindows(
      root,
      [](HWND hwnd, LPARAM lp) -> BOOL {
        auto* s = reinterpret_cast<Search*>(lp);
        if (GetDlgCtrlID(hwnd) == s->id) {
          s->found = hwnd;
          return FALSE;
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

std::wstring Text(HWND hwnd) {
  wchar_t buffer[512] = {};
  DWORD_PTR copied = 0;
  SendMessageTimeoutW(hwnd, WM_GETTEXT, 512, reinterpret_cast<LPARAM>(buffer), SMTO_ABORTIFHUNG, 5000, &copied);
  return std::wstring(buffer, copied);
}

RECT RectInParent(HWND control) {
  RECT rc{};
  GetWindowRect(control, &rc);
  MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&rc), 2);
  return rc;
}

BYTE Alpha(HWND hwnd) {
  COLORREF key = 0;
  BYTE alpha = 255;
  DWORD flags = 0;
  if (!GetLayeredWindowAttributes(hwnd, &key, &alpha, &flags) || !(flags & LWA_ALPHA)) return 255;
  return alpha;
}

HWND CaptureOf(HWND window) {
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  if (!GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info)) return nullptr;
  return info.hwndCapture;
}

COLORREF ScreenPixel(int x, int y) {
  HDC screen = GetDC(nullptr);
  COLORREF c = GetPixel(screen, x, y);
  ReleaseDC(nullptr, screen);
  return c;
}

bool SaveScreenshot(const std::wstring& bmpPath, const RECT& area) {
  const int w = area.right - area.left, h = area.bottom - area.top;
  if (w <= 0 || h <= 0) return false;
  BITMAPINFOHEADER info{};
  info.biSize = sizeof info;
  info.biWidth = w;
  info.biHeight = h;
  info.biPlanes = 1;
  info.biBitCount = 24;
  const DWORD stride = ((w * 3) + 3) & ~3u;
  info.biSizeImage = stride * h;
  void* bits = nullptr;
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  HBITMAP dib = CreateDIBSection(screen, reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS, &bits, nullptr, 0);
  bool ok = false;
  if (dib && bits) {
    HGDIOBJ old = SelectObject(memory, dib);
    BitBlt(memory, 0, 0, w, h, screen, area.left, area.top, SRCCOPY);
    SelectObject(memory, old);
    GdiFlush();
    BITMAPFILEHEADER file{};
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof file + sizeof info;
    file.bfSize = file.bfOffBits + info.biSizeImage;
    HANDLE out = CreateFileW(bmpPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (out != INVALID_HANDLE_VALUE) {
      DWORD written = 0;
      ok = WriteFile(out, &file, sizeof file, &written, nullptr) && WriteFile(out, &info, sizeof info, &written, nullptr) &&
           WriteFile(out, bits, info.biSizeImage, &written, nullptr);
      CloseHandle(out);
    }
  }
  if (dib) DeleteObject(dib);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  return ok;
}

bool SaveScreenshot(const std::wstring& bmpPath) {
  return SaveScreenshot(bmpPath, RECT{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)});
}

void MoveMouse(int x, int y) {
  const int w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
  INPUT in{};
  in.type = INPUT_MOUSE;
  // Centre of the target pixel in the 0..65535 normalised space.
  in.mi.dx = static_cast<LONG>((x * 65536LL + 32768) / w);
  in.mi.dy = static_cast<LONG>((y * 65536LL + 32768) / h);
  in.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
  SendInput(1, &in, sizeof in);
  POINT p{};
  WaitFor([&] { return GetCursorPos(&p) && p.x == x && p.y == y; }, std::chrono::milliseconds(500));
}

void Click(int x, int y) {
  MoveMouse(x, y);
  ClickHere();
}

void ClickHere() {
  INPUT in[2]{};
  in[0].type = in[1].type = INPUT_MOUSE;
  in[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
  in[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
  SendInput(2, in, sizeof in[0]);
}

void PressKey(WORD vk) {
  INPUT in[2]{};
  in[0].type = in[1].type = INPUT_KEYBOARD;
  in[0].ki.wVk = in[1].ki.wVk = vk;
  in[1].ki.dwFlags = KEYEVENTF_KEYUP;
  SendInput(2, in, sizeof in[0]);
}

bool PressUntil(WORD vk, const std::function<bool()>& answered, const std::function<bool()>& unchanged,
                std::chrono::milliseconds limit) {
  auto send = [vk](bool down) {
    INPUT in{};
    in.type = INPUT_KEYBOARD;
    in.ki.wVk = vk;
    in.ki.dwFlags = down ? 0 : KEYEVENTF_KEYUP;
    SendInput(1, &in, sizeof in);
  };
  const auto deadline = Clock::now() + limit;
  bool done = false;
  send(true);
  while (!done && Clock::now() < deadline) {
    done = WaitFor(answered, std::chrono::seconds(2));
    if (!done && unchanged() && GetAsyncKeyState(vk) >= 0) send(true);
  }
  send(false);
  WaitFor([vk] { return GetAsyncKeyState(vk) >= 0; }, std::chrono::seconds(2));
  Sleep(50);  // a few polls of the program see the key up before the next press
  return done;
}

POINT CentreOnScreen(HWND hwnd) {
  RECT rc{};
  GetWindowRect(hwnd, &rc);
  return POINT{(rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2};
}

}  // namespace driver
