// The main job end to end: the user sets the capture key in the real tarnwick.exe, then the
// key, pressed from this second process, captures the screen to the clipboard and pastes it
// into a paste target of ours, alternately.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "app/control_ids.h"
#include "tests/support/driver.h"

namespace {

using namespace std::chrono_literals;
using namespace main_ids;
using driver::Program;

const wchar_t* const kSettingsPath = L"D:\\Tarnwick\\截图程序.ini";
const wchar_t* const kPasteLog = L"D:\\paste_target.log";

void SendKey(WORD vk, bool down) {
  INPUT in{};
  in.type = INPUT_KEYBOARD;
  in.ki.wVk = vk;
  in.ki.dwFlags = down ? 0 : KEYEVENTF_KEYUP;
  SendInput(1, &in, sizeof in);
}

// A press that nothing is expected to answer: held for 200 ms as seen from here (pressed
// again if a focus change under Wine wiped it out), then released.
void HoldKey(WORD vk) {
  const auto deadline = driver::Clock::now() + 5s;
  auto downSince = driver::Clock::time_point{};
  while (driver::Clock::now() < deadline) {
    if (GetAsyncKeyState(vk) >= 0) {
      SendKey(vk, true);
      downSince = driver::Clock::now();
    } else if (driver::Clock::now() - downSince >= 200ms) {
      break;
    }
    Sleep(10);
  }
  SendKey(vk, false);
  driver::WaitFor([&] { return GetAsyncKeyState(vk) >= 0; }, 2s);
}

std::string ReadFileBytes(const wchar_t* path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

bool FileExists(const wchar_t* path) { return GetFileAttributesW(path) != INVALID_FILE_ATTRIBUTES; }

class Binding : public ::testing::Test {
 protected:
  void SetUp() override {
    CreateDirectoryW(L"D:\\Tarnwick", nullptr);
    DeleteFileW(kSettingsPath);
    ASSERT_TRUE(driver::Launch(program_));
    ASSERT_TRUE(driver::WaitFor([&] {
      main_ = driver::FindMainWindow(program_.pid);
      return main_ && driver::Alpha(main_) == 240;
    }, 60s)) << "the main window did not come in";
  }
  void TearDown() override {
    if (pasteTarget_.Running()) {
      TerminateProcess(pasteTarget_.process.get(), 0);
      pasteTarget_.WaitExit(5s);
    }
    if (program_.Running()) {
      PostMessageW(main_, WM_CLOSE, 0, 0);
      EXPECT_TRUE(program_.WaitExit(15s));
      EXPECT_EQ(program_.exitCode, 0u);
    }
  }

  HWND Control(int id) { return driver::FindControl(main_, id); }
  std::wstring Status() { return driver::Text(Control(透明标签1)); }
  std::wstring CaptureStatus() { return driver::Text(Control(透明标签2)); }
  // A press held until the program has answered it (the key state reaches another Wine
  // process with some delay), then released; true when the capture status became `text`.
  // A press held until the program has answered it, then released; true when the capture
  // status became `text`.
  bool Press(WORD vk, const std::wstring& text) {
    const std::wstring before = CaptureStatus();
    return driver::PressUntil(
        vk,
        [&] {
          PumpOwnWindows();
          return CaptureStatus() == text;
        },
        [&] { return CaptureStatus() == before; });
  }

  bool WaitCaptureStatus(const std::wstring& text, std::chrono::milliseconds limit = 15s) {
    return driver::WaitFor([&] {
      PumpOwnWindows();
      return CaptureStatus() == text;
    }, limit);
  }
  // Windows of this process (the pattern, the clipboard holder) keep answering while we wait.
  static void PumpOwnWindows() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
  }

  void ClickControl(int id) {
    const POINT p = driver::CentreOnScreen(Control(id));
    driver::Click(p.x, p.y);
  }

  // Selects an item the way a user does: scrolls it into view and clicks it.
  void ChooseKey(int listId, int index) {
    HWND list = Control(listId);
    SendMessageW(list, LB_SETTOPINDEX, static_cast<WPARAM>(index), 0);
    const int top = static_cast<int>(SendMessageW(list, LB_GETTOPINDEX, 0, 0));
    const int itemHeight = static_cast<int>(SendMessageW(list, LB_GETITEMHEIGHT, 0, 0));
    RECT rc{};
    GetWindowRect(list, &rc);
    POINT p{rc.left + 20, 0};
    RECT client{};
    GetClientRect(list, &client);
    POINT origin{0, 0};
    ClientToScreen(list, &origin);
    p.y = origin.y + (index - top) * itemHeight + itemHeight / 2;
    driver::Click(p.x, p.y);
    ASSERT_TRUE(driver::WaitFor([&] { return SendMessageW(list, LB_GETCURSEL, 0, 0) == index; }, 5s))
        << "item " << index << " not selected";
  }

  void SetHotkey() {
    ClickControl(超级按钮4);
    ASSERT_TRUE(driver::WaitFor([&] { return Status() == L"状态：成功设置热键"; }, 5s)) << "status: " << Status().size();
  }

  // Starts the paste target in front of everything and waits until it has the focus.
  HWND StartPasteTarget() {
    DeleteFileW(kPasteLog);
    const char* exe = std::getenv("PASTE_TARGET_EXE");
    EXPECT_NE(exe, nullptr);
    if (!exe) return nullptr;
    const std::wstring path = driver::WinePath(exe);
    std::wstring commandLine = L"\"" + path + L"\" " + kPasteLog + L" 20 20 640 360";
    STARTUPINFOW si{sizeof si};
    PROCESS_INFORMATION pi{};
    if (!CreateProcessW(path.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
      return nullptr;
    CloseHandle(pi.hThread);
    pasteTarget_.process.reset(pi.hProcess);
    pasteTarget_.pid = pi.dwProcessId;
    HWND target = nullptr;
    driver::WaitFor([&] { return (target = FindWindowW(L"TarnwickPasteTarget", nullptr)) != nullptr; }, 10s);
    if (target) {
      SetForegroundWindow(target);
      driver::WaitFor([&] { return GetForegroundWindow() == target; }, 5s);
    }
    return target;
  }

  std::vector<std::string> PasteLog() {
    std::vector<std::string> lines;
    std::istringstream in(ReadFileBytes(kPasteLog));
    for (std::string line; std::getline(in, line);) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      lines.push_back(line);
    }
    return lines;
  }
  int PasteCount() {
    int n = 0;
    for (const auto& l : PasteLog()) n += l.rfind("paste ", 0) == 0;
    return n;
  }

  Program program_;
  Program pasteTarget_;
  HWND main_ = nullptr;
};

// The clipboard's bitmap, read as 32-bit pixels, bottom-up.
struct ClipboardPicture {
  int width = 0, height = 0;
  std::vector<RGBQUAD> pixels;
  COLORREF At(int x, int y) const {
    const RGBQUAD q = pixels[static_cast<size_t>(height - 1 - y) * width + x];
    return RGB(q.rgbRed, q.rgbGreen, q.rgbBlue);
  }
};

bool ReadClipboardPicture(ClipboardPicture& out) {
  if (!OpenClipboard(nullptr)) return false;
  HBITMAP bitmap = static_cast<HBITMAP>(GetClipboardData(CF_BITMAP));
  bool ok = false;
  if (bitmap) {
    BITMAP bm{};
    GetObjectW(bitmap, sizeof bm, &bm);
    out.width = bm.bmWidth;
    out.height = bm.bmHeight;
    out.pixels.resize(static_cast<size_t>(bm.bmWidth) * bm.bmHeight);
    BITMAPINFO bi{};
    bi.bmiHeader = {sizeof(BITMAPINFOHEADER), bm.bmWidth, bm.bmHeight, 1, 32, BI_RGB};
    HDC dc = GetDC(nullptr);
    ok = GetDIBits(dc, bitmap, 0, bm.bmHeight, out.pixels.data(), &bi, DIB_RGB_COLORS) == bm.bmHeight;
    ReleaseDC(nullptr, dc);
  }
  CloseClipboard();
  return ok;
}

bool Same555(COLORREF a, COLORREF b) {
  return (GetRValue(a) >> 3) == (GetRValue(b) >> 3) && (GetGValue(a) >> 3) == (GetGValue(b) >> 3) &&
         (GetBValue(a) >> 3) == (GetBValue(b) >> 3);
}

// A window of ours painting solid colour blocks, so the screen holds a known pattern.
class PatternWindow {
 public:
  static constexpr COLORREF kColours[] = {RGB(255, 0, 0), RGB(0, 255, 0), RGB(0, 0, 255), RGB(255, 255, 255)};
  PatternWindow() {
    WNDCLASSW wc{};
    wc.lpfnWndProc = Proc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"BindingPattern";
    RegisterClassW(&wc);
    hwnd_ = CreateWindowExW(WS_EX_TOPMOST | WS_EX_NOACTIVATE, wc.lpszClassName, L"", WS_POPUP | WS_VISIBLE,
                            1400, 700, 400, 100, nullptr, nullptr, wc.hInstance, nullptr);
    UpdateWindow(hwnd_);
  }
  ~PatternWindow() { DestroyWindow(hwnd_); }
  void Pump() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
  }

 private:
  static LRESULT CALLBACK Proc(HWND h, UINT m, WPARAM w, LPARAM l) {
    if (m == WM_PAINT) {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(h, &ps);
      for (int i = 0; i < 4; ++i) {
        HBRUSH b = CreateSolidBrush(kColours[i]);
        RECT r{i * 100, 0, i * 100 + 100, 100};
        FillRect(dc, &r, b);
        DeleteObject(b);
      }
      EndPaint(h, &ps);
      return 0;
    }
    return DefWindowProcW(h, m, w, l);
  }
  HWND hwnd_;
};

TEST_F(Binding, DefaultKeyCapturesThenPastesThenCapturesAgain) {
  PatternWindow pattern;
  pattern.Pump();
  SetHotkey();
  EXPECT_EQ(ReadFileBytes(kSettingsPath), "1\r\n2");

  // First press: the whole screen goes to the clipboard.
  const DWORD before = GetClipboardSequenceNumber();
  ASSERT_TRUE(Press(VK_F2, L"截图状态：已截图"));
  EXPECT_NE(GetClipboardSequenceNumber(), before);
  ClipboardPicture picture;
  ASSERT_TRUE(ReadClipboardPicture(picture));
  EXPECT_EQ(picture.width, GetSystemMetrics(SM_CXSCREEN));
  EXPECT_EQ(picture.height, GetSystemMetrics(SM_CYSCREEN));
  for (int i = 0; i < 4; ++i) {
    const COLORREF expected = PatternWindow::kColours[i];
    EXPECT_TRUE(Same555(picture.At(1400 + i * 100 + 50, 750), expected)) << "block " << i;
  }
  HDC screen = GetDC(nullptr);
  for (int y = 0; y < picture.height; y += 97)
    for (int x = 0; x < picture.width; x += 131) {
      RECT mainRect{};
      GetWindowRect(main_, &mainRect);
      if (PtInRect(&mainRect, POINT{x, y})) continue;  // its status label changed since
      EXPECT_TRUE(Same555(picture.At(x, y), GetPixel(screen, x, y))) << x << "," << y;
    }
  ReleaseDC(nullptr, screen);

  // Second press, with the paste target in front: Ctrl+V pastes the capture there.
  ASSERT_NE(StartPasteTarget(), nullptr);
  ASSERT_TRUE(Press(VK_F2, L"截图状态：已粘贴"));
  ASSERT_TRUE(driver::WaitFor([&] { return PasteCount() == 1; }, 10s));
  std::vector<std::string> keys;
  std::string paste;
  for (const auto& l : PasteLog()) {
    if (l == "down 17" || l == "down 86" || l == "up 17" || l == "up 86") keys.push_back(l);
    if (l.rfind("paste ", 0) == 0) paste = l;
  }
  driver::WaitFor([&] {
    keys.clear();
    for (const auto& l : PasteLog())
      if (l == "down 17" || l == "down 86" || l == "up 17" || l == "up 86") keys.push_back(l);
    return keys.size() >= 4;
  }, 5s);
  EXPECT_EQ(keys, (std::vector<std::string>{"down 17", "down 86", "up 17", "up 86"}));
  char expectedSize[64];
  std::snprintf(expectedSize, sizeof expectedSize, "paste %d %d ", picture.width, picture.height);
  EXPECT_EQ(paste.rfind(expectedSize, 0), 0u) << paste;

  // Third press captures again.
  EXPECT_TRUE(Press(VK_F2, L"截图状态：已截图"));
  EXPECT_EQ(PasteCount(), 1);
}

TEST_F(Binding, SameKeyInBothListsIsRefused) {
  ChooseKey(列表框1, 2);  // F3, the undo list's default
  EXPECT_TRUE(driver::WaitFor([&] { return Status() == L"状态：正在选择截图键"; }, 5s));
  ClickControl(超级按钮4);
  HWND box = nullptr;
  ASSERT_TRUE(driver::WaitFor([&] {
    box = FindWindowW(L"#32770", L"信息：");
    return box != nullptr;
  }, 10s)) << "no message box";
  DWORD boxPid = 0;
  GetWindowThreadProcessId(box, &boxPid);
  EXPECT_EQ(boxPid, program_.pid);
  EXPECT_EQ(GetWindow(box, GW_OWNER), nullptr);
  bool textFound = false;
  for (HWND c = GetWindow(box, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
    textFound |= driver::Text(c) == L"截图键和撤销键请勿设置相同按键";
  EXPECT_TRUE(textFound);
  EXPECT_EQ(Status(), L"状态：正在选择截图键");
  EXPECT_FALSE(FileExists(kSettingsPath));
  PostMessageW(box, WM_COMMAND, IDOK, 0);
  ASSERT_TRUE(driver::WaitFor([&] { return !IsWindow(box); }, 5s));
  // Nothing was registered: F3 and F2 do nothing.
  HoldKey(VK_F3);
  HoldKey(VK_F2);
  EXPECT_FALSE(driver::WaitFor([&] { return CaptureStatus() != L"截图状态：未操作"; }, 1s));
}

TEST_F(Binding, CancelStopsTheKeyAndSettingAgainAddsKeys) {
  SetHotkey();
  ASSERT_TRUE(Press(VK_F2, L"截图状态：已截图"));

  ClickControl(超级按钮5);
  ASSERT_TRUE(driver::WaitFor([&] { return Status() == L"状态：已取消热键"; }, 5s));
  HoldKey(VK_F2);
  EXPECT_FALSE(driver::WaitFor([&] { return CaptureStatus() != L"截图状态：已截图"; }, 1s));
  EXPECT_EQ(ReadFileBytes(kSettingsPath), "1\r\n2") << "cancelling keeps the choice";

  // F2 again, then F3 with another undo key: both keys work; the alternation goes on.
  SetHotkey();
  SetHotkey();  // the same key twice leaves one record: one press is one action
  ChooseKey(列表框2, 4);
  ChooseKey(列表框1, 2);
  SetHotkey();
  EXPECT_EQ(ReadFileBytes(kSettingsPath), "2\r\n4");
  ASSERT_TRUE(Press(VK_F2, L"截图状态：已粘贴"));
  ASSERT_TRUE(Press(VK_F3, L"截图状态：已截图"));

  // ALT and CTRL register but never fire: the key itself counts as a held modifier.
  ClickControl(超级按钮5);
  for (const int index : {14, 15}) {
    ChooseKey(列表框1, index);
    SetHotkey();
  }
  HoldKey(VK_MENU);
  HoldKey(VK_CONTROL);
  EXPECT_FALSE(driver::WaitFor([&] { return CaptureStatus() != L"截图状态：已截图"; }, 1s));
}

TEST_F(Binding, FastPressesKeepLabelAndStateInStep) {
  SetHotkey();
  ASSERT_NE(StartPasteTarget(), nullptr);
  for (int i = 0; i < 20; ++i) {
    INPUT in{};
    in.type = INPUT_KEYBOARD;
    in.ki.wVk = VK_F2;
    SendInput(1, &in, sizeof in);
    Sleep(25);  // two polls see it down
    in.ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(1, &in, sizeof in);
    Sleep(25);
  }
  // Let the queued actions finish: the label settles on one of the two outcomes and stays
  // there for longer than any one action takes.
  std::wstring settled = CaptureStatus();
  auto since = driver::Clock::now();
  ASSERT_TRUE(driver::WaitFor([&] {
    const std::wstring now = CaptureStatus();
    if (now != settled) {
      settled = now;
      since = driver::Clock::now();
    }
    return driver::Clock::now() - since >= 2s && (settled == L"截图状态：已截图" || settled == L"截图状态：已粘贴");
  }, 60s));
  EXPECT_TRUE(program_.Running());
  EXPECT_GE(PasteCount(), 1);
  for (const auto& l : PasteLog()) EXPECT_NE(l, "paste none") << "a paste came before any capture";
  // The state agrees with the label: the next press does the other thing.
  EXPECT_TRUE(Press(VK_F2, settled == L"截图状态：已截图" ? L"截图状态：已粘贴" : L"截图状态：已截图"));
}

TEST_F(Binding, CaptureIntoABusyClipboardFailsAndTheNextPressCapturesAgain) {
  SetHotkey();
  // Another process (this one) holds the clipboard open with a window of its own.
  HWND holder = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
  ASSERT_TRUE(OpenClipboard(holder));
  const bool failed = Press(VK_F2, L"截图状态：截图失败");
  CloseClipboard();
  DestroyWindow(holder);
  ASSERT_TRUE(failed) << "status: " << CaptureStatus().size();
  EXPECT_TRUE(Press(VK_F2, L"截图状态：已截图")) << "the failed capture must not count as one";
}

}  // namespace
