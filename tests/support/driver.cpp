#include "tests/support/driver.h"

#include <cctype>
#include <cstdlib>
#include <fstream>
#include <sstream>
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

bool Start(Program& program, const char* exeVariable, const std::wstring& arguments) {
  const char* exe = std::getenv(exeVariable);
  return exe && StartPath(program, WinePath(exe), arguments);
}

bool StartPath(Program& program, const std::wstring& path, const std::wstring& arguments, HANDLE stdIn,
               HANDLE stdOut) {
  std::wstring commandLine = L"\"" + path + L"\"";
  if (!arguments.empty()) commandLine += L" " + arguments;
  STARTUPINFOW si{};
  si.cb = sizeof si;
  const bool redirected = stdIn || stdOut;
  if (redirected) {
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = stdIn ? stdIn : GetStdHandle(STD_INPUT_HANDLE);
    si.hStdOutput = stdOut ? stdOut : GetStdHandle(STD_OUTPUT_HANDLE);
    si.hStdError = GetStdHandle(STD_ERROR_HANDLE);
  }
  PROCESS_INFORMATION pi{};
  if (!CreateProcessW(path.c_str(), commandLine.data(), nullptr, nullptr, redirected, 0, nullptr, nullptr, &si,
                      &pi)) {
    return false;
  }
  CloseHandle(pi.hThread);
  program.process.reset(pi.hProcess);
  program.pid = pi.dwProcessId;
  program.exitCode = STILL_ACTIVE;
  return true;
}

bool Launch(Program& program) { return Start(program, "TARNWICK_EXE", L""); }

HWND WaitMainWindowIn(const Program& program, std::chrono::milliseconds limit) {
  HWND main = nullptr;
  const bool in = WaitFor([&] {
    main = FindMainWindow(program.pid);
    return main && Alpha(main) == 240;
  }, limit);
  return in ? main : nullptr;
}

bool Close(Program& program, HWND main, std::chrono::milliseconds limit) {
  PostMessageW(main, WM_CLOSE, 0, 0);
  return program.WaitExit(limit);
}

void Stop(Program& program) {
  if (!program.Running()) return;
  TerminateProcess(program.process.get(), 0);
  program.WaitExit(std::chrono::seconds(5));
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

std::wstring ControlText(HWND root, int id) { return Text(FindControl(root, id)); }

bool WaitControlText(HWND root, int id, const std::wstring& text, std::chrono::milliseconds limit,
                     const std::function<void()>& whileWaiting) {
  HWND control = FindControl(root, id);
  return WaitFor([&] {
    if (whileWaiting) whileWaiting();
    return Text(control) == text;
  }, limit);
}

void ClickControl(HWND root, int id) {
  const POINT p = CentreOnScreen(FindControl(root, id));
  Click(p.x, p.y);
}

bool ChooseListItem(HWND list, int index) {
  SendMessageW(list, LB_SETTOPINDEX, static_cast<WPARAM>(index), 0);
  const int top = static_cast<int>(SendMessageW(list, LB_GETTOPINDEX, 0, 0));
  const int itemHeight = static_cast<int>(SendMessageW(list, LB_GETITEMHEIGHT, 0, 0));
  RECT rc{};
  GetWindowRect(list, &rc);
  POINT origin{0, 0};
  ClientToScreen(list, &origin);
  Click(rc.left + 20, origin.y + (index - top) * itemHeight + itemHeight / 2);
  return WaitFor([&] { return SendMessageW(list, LB_GETCURSEL, 0, 0) == index; }, std::chrono::seconds(5));
}

bool SetHotkey(HWND main, const wchar_t* status) {
  ClickControl(main, main_ids::超级按钮4);
  return WaitControlText(main, main_ids::透明标签1, status);
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

namespace {

// A mouse event at screen pixel (x, y): the pixel's centre in the 0..65535 normalised space.
INPUT MouseAt(int x, int y, DWORD buttons) {
  const int w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
  INPUT in{};
  in.type = INPUT_MOUSE;
  in.mi.dx = static_cast<LONG>((x * 65536LL + 32768) / w);
  in.mi.dy = static_cast<LONG>((y * 65536LL + 32768) / h);
  in.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE | buttons;
  return in;
}

}  // namespace

void MoveMouse(int x, int y) {
  INPUT in = MouseAt(x, y, 0);
  SendInput(1, &in, sizeof in);
  POINT p{};
  WaitFor([&] { return GetCursorPos(&p) && p.x == x && p.y == y; }, std::chrono::milliseconds(500));
}

void Click(int x, int y) {
  MoveMouse(x, y);
  // The button events carry the position too: under Wine on Xvfb a bare down and up now and
  // then lands where the pointer was before the move (a stale X motion event).
  INPUT in[2] = {MouseAt(x, y, MOUSEEVENTF_LEFTDOWN), MouseAt(x, y, MOUSEEVENTF_LEFTUP)};
  SendInput(2, in, sizeof in[0]);
}

void LeftButton(int x, int y, bool down) {
  INPUT in = MouseAt(x, y, down ? MOUSEEVENTF_LEFTDOWN : MOUSEEVENTF_LEFTUP);
  SendInput(1, &in, sizeof in);
}

void ClickHere() {
  INPUT in[2]{};
  in[0].type = in[1].type = INPUT_MOUSE;
  in[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
  in[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
  SendInput(2, in, sizeof in[0]);
}

void SendKey(WORD vk, bool down) {
  INPUT in{};
  in.type = INPUT_KEYBOARD;
  in.ki.wVk = vk;
  in.ki.dwFlags = down ? 0 : KEYEVENTF_KEYUP;
  SendInput(1, &in, sizeof in);
}

void ReleaseKey(WORD vk, std::chrono::milliseconds settle) {
  SendKey(vk, false);
  WaitFor([vk] { return GetAsyncKeyState(vk) >= 0; }, std::chrono::seconds(2));
  std::this_thread::sleep_for(settle);
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
  const auto deadline = Clock::now() + limit;
  bool done = false;
  SendKey(vk, true);
  while (!done && Clock::now() < deadline) {
    done = WaitFor(answered, std::chrono::seconds(2));
    if (!done && unchanged() && GetAsyncKeyState(vk) >= 0) SendKey(vk, true);
  }
  ReleaseKey(vk);
  return done;
}

bool PressUntilText(WORD vk, HWND root, int id, const std::wstring& text, const std::function<void()>& whileWaiting) {
  HWND control = FindControl(root, id);
  const std::wstring before = Text(control);
  return PressUntil(
      vk,
      [&] {
        if (whileWaiting) whileWaiting();
        return Text(control) == text;
      },
      [&] { return Text(control) == before; });
}

POINT CentreOnScreen(HWND hwnd) {
  RECT rc{};
  GetWindowRect(hwnd, &rc);
  return POINT{(rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2};
}

std::string ReadFileBytes(const std::wstring& path) {
  std::ifstream in(path.c_str(), std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

HWND PasteTarget::Start(int x, int y, int width, int height) {
  DeleteFileW(log_.c_str());
  const std::wstring arguments = log_ + L" " + std::to_wstring(x) + L" " + std::to_wstring(y) + L" " +
                                 std::to_wstring(width) + L" " + std::to_wstring(height);
  if (!driver::Start(program_, "PASTE_TARGET_EXE", arguments)) return nullptr;
  HWND target = nullptr;
  WaitFor([&] { return (target = FindWindowW(L"TarnwickPasteTarget", nullptr)) != nullptr; }, std::chrono::seconds(10));
  if (target) {
    SetForegroundWindow(target);
    WaitFor([&] { return GetForegroundWindow() == target; }, std::chrono::seconds(5));
  }
  return target;
}

std::vector<std::string> PasteTarget::Lines() const {
  std::vector<std::string> lines;
  std::istringstream in(ReadFileBytes(log_));
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

int PasteTarget::Count(const std::string& line) const {
  int n = 0;
  for (const auto& l : Lines()) n += l == line;
  return n;
}

int PasteTarget::Pastes() const {
  int n = 0;
  for (const auto& l : Lines()) n += l.rfind("paste ", 0) == 0;
  return n;
}

CommandedProcess::~CommandedProcess() {
  if (!program_.Running()) return;
  Command("quit", nullptr, std::chrono::seconds(5));
  toChild_.reset();
  program_.WaitExit(std::chrono::seconds(10));
}

bool CommandedProcess::Start(const std::wstring& path) {
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  HANDLE childIn = nullptr, toChild = nullptr, fromChild = nullptr, childOut = nullptr;
  if (!CreatePipe(&childIn, &toChild, &inherit, 0)) return false;
  platform::UniqueHandle childInOwner(childIn);
  toChild_.reset(toChild);
  if (!CreatePipe(&fromChild, &childOut, &inherit, 0)) return false;
  platform::UniqueHandle childOutOwner(childOut);
  fromChild_.reset(fromChild);
  // Our ends stay ours, so the helper sees its input end when we close it, and we see its
  // output end when it ends.
  SetHandleInformation(toChild, HANDLE_FLAG_INHERIT, 0);
  SetHandleInformation(fromChild, HANDLE_FLAG_INHERIT, 0);
  return StartPath(program_, path, L"", childIn, childOut);
}

bool CommandedProcess::Command(const std::string& command, std::string* answer, std::chrono::milliseconds limit,
                               const std::function<void()>& whileWaiting) {
  const std::string line = command + "\n";
  DWORD written = 0;
  if (!WriteFile(toChild_.get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr)) return false;
  std::string got;
  if (!ReadLine(got, limit, whileWaiting)) return false;
  if (answer) *answer = got;
  return true;
}

bool CommandedProcess::ReadLine(std::string& line, std::chrono::milliseconds limit,
                                const std::function<void()>& whileWaiting) {
  const auto deadline = Clock::now() + limit;
  for (;;) {
    const auto end = pending_.find('\n');
    if (end != std::string::npos) {
      line = pending_.substr(0, end);
      if (!line.empty() && line.back() == '\r') line.pop_back();
      pending_.erase(0, end + 1);
      return true;
    }
    DWORD available = 0;
    if (!PeekNamedPipe(fromChild_.get(), nullptr, 0, nullptr, &available, nullptr)) return false;  // it ended
    if (available > 0) {
      char chunk[256];
      DWORD got = 0;
      if (!ReadFile(fromChild_.get(), chunk, sizeof chunk, &got, nullptr)) return false;
      pending_.append(chunk, got);
      continue;
    }
    if (Clock::now() >= deadline) return false;
    HANDLE process = program_.process.get();
    if (MsgWaitForMultipleObjects(1, &process, FALSE, 10, QS_ALLINPUT) == WAIT_OBJECT_0 &&
        PeekNamedPipe(fromChild_.get(), nullptr, 0, nullptr, &available, nullptr) && available == 0)
      return false;  // it ended without another word
    if (whileWaiting) whileWaiting();
  }
}

namespace {

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

}  // namespace

std::string LinuxProcFile(long linuxPid, const wchar_t* name) {
  if (linuxPid <= 0) return {};
  return ReadFileBytes(L"Z:\\proc\\" + std::to_wstring(linuxPid) + L"\\" + name);
}

long LinuxResidentKb(long linuxPid) {
  std::istringstream in(LinuxProcFile(linuxPid, L"status"));
  for (std::string line; std::getline(in, line);)
    if (line.rfind("VmRSS:", 0) == 0) return std::strtol(line.c_str() + 6, nullptr, 10);
  return -1;
}

long FindLinuxProcess(const std::function<bool(long linuxPid)>& match) {
  WIN32_FIND_DATAW found;
  platform::UniqueFindHandle find(FindFirstFileW(L"Z:\\proc\\*", &found));
  if (!find) return 0;
  long pid = 0;
  do {
    const std::wstring entry = found.cFileName;
    if (entry.empty() || entry.find_first_not_of(L"0123456789") != std::wstring::npos) continue;
    const long candidate = std::wcstol(entry.c_str(), nullptr, 10);
    if (match(candidate)) pid = candidate;
  } while (!pid && FindNextFileW(find.get(), &found));
  return pid;
}

long LinuxPidOf(const std::string& unixExePath) {
  // A Wine process's first argument is its exe, as a Linux path or a Windows one (Z:\x\y.exe);
  // the shells and loaders that started it name the exe only in later arguments.
  const std::string path = Lower(unixExePath);
  return FindLinuxProcess([&](long candidate) {
    const std::string cmdline = LinuxProcFile(candidate, L"cmdline");
    std::string first = Lower(cmdline.substr(0, cmdline.find('\0')));
    for (char& c : first) c = c == '\\' ? '/' : c;
    return first.size() >= path.size() && first.compare(first.size() - path.size(), path.size(), path) == 0;
  });
}

}  // namespace driver
