// The main job end to end: the user sets the capture key in the real tarnwick.exe, then the
// key, pressed from this second process, captures the screen to the clipboard and pastes it
// into a paste target of ours, alternately.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "app/control_ids.h"
#include "tests/support/driver.h"
#include "tests/support/pattern_window.h"
#include "tests/support/program_test.h"

namespace {

using namespace std::chrono_literals;
using namespace main_ids;
using testsupport::kSettingsPath;

const wchar_t* const kPasteLog = L"D:\\paste_target.log";
// Where the pattern window shows its pattern (screen position of its client area).
constexpr int kPatternX = 1400, kPatternY = 700;

// A press that nothing is expected to answer: held for 200 ms as seen from here (pressed
// again if a focus change under Wine wiped it out), then released.
void HoldKey(WORD vk) {
  const auto deadline = driver::Clock::now() + 5s;
  auto downSince = driver::Clock::time_point{};
  while (driver::Clock::now() < deadline) {
    if (GetAsyncKeyState(vk) >= 0) {
      driver::SendKey(vk, true);
      downSince = driver::Clock::now();
    } else if (driver::Clock::now() - downSince >= 200ms) {
      break;
    }
    Sleep(10);
  }
  driver::ReleaseKey(vk, 0ms);
}

bool FileExists(const wchar_t* path) { return GetFileAttributesW(path) != INVALID_FILE_ATTRIBUTES; }

class Binding : public testsupport::ProgramTest {
 protected:
  void TearDown() override {
    driver::Stop(pasteTarget_.program());
    ProgramTest::TearDown();
  }

  // A press held until the program has answered it, then released; true when the capture
  // status became `text`.
  bool Press(WORD vk, const std::wstring& text) { return driver::PressUntilText(vk, main_, 透明标签2, text, PumpOwnWindows); }

  // Windows of this process (the clipboard holder) keep answering while we wait.
  static void PumpOwnWindows() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
  }

  void ClickControl(int id) { driver::ClickControl(main_, id); }

  // Selects an item the way a user does: scrolls it into view and clicks it.
  void ChooseKey(int listId, int index) {
    ASSERT_TRUE(driver::ChooseListItem(Control(listId), index)) << "item " << index << " not selected";
  }

  void SetHotkey() { ASSERT_TRUE(driver::SetHotkey(main_)) << "status: " << Status().size(); }

  // Starts the paste target in front of everything and waits until it has the focus.
  HWND StartPasteTarget() { return pasteTarget_.Start(); }
  std::vector<std::string> PasteLog() { return pasteTarget_.Lines(); }
  int PasteCount() { return pasteTarget_.Pastes(); }

  driver::PasteTarget pasteTarget_{kPasteLog};
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

TEST_F(Binding, DefaultKeyCapturesThenPastesThenCapturesAgain) {
  // A known pattern on screen, on a thread of its own so that it paints whatever we wait on.
  testsupport::TestWindow pattern(kPatternX, kPatternY, testsupport::kPatternWidth, testsupport::kPatternHeight);
  ASSERT_TRUE(testsupport::WaitForScreenColour(kPatternX + 50, kPatternY + 50, testsupport::PatternColour(50, 50)));
  SetHotkey();
  EXPECT_EQ(driver::ReadFileBytes(kSettingsPath), "1\r\n2");

  // First press: the whole screen goes to the clipboard.
  const DWORD before = GetClipboardSequenceNumber();
  ASSERT_TRUE(Press(VK_F2, L"截图状态：已截图"));
  EXPECT_NE(GetClipboardSequenceNumber(), before);
  ClipboardPicture picture;
  ASSERT_TRUE(ReadClipboardPicture(picture));
  EXPECT_EQ(picture.width, GetSystemMetrics(SM_CXSCREEN));
  EXPECT_EQ(picture.height, GetSystemMetrics(SM_CYSCREEN));
  testsupport::ForEachPatternProbe([&](int x, int y) {
    EXPECT_TRUE(Same555(picture.At(kPatternX + x, kPatternY + y), testsupport::PatternColour(x, y))) << x << "," << y;
  });
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
  std::string paste;
  for (const auto& l : PasteLog())
    if (l.rfind("paste ", 0) == 0) paste = l;
  std::vector<std::string> keys;
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
  EXPECT_EQ(driver::ReadFileBytes(kSettingsPath), "1\r\n2") << "cancelling keeps the choice";

  // F2 again, then F3 with another undo key: both keys work; the alternation goes on.
  SetHotkey();
  SetHotkey();  // the same key twice leaves one record: one press is one action
  ChooseKey(列表框2, 4);
  ChooseKey(列表框1, 2);
  SetHotkey();
  EXPECT_EQ(driver::ReadFileBytes(kSettingsPath), "2\r\n4");
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
  // Presses far faster than an action takes, so that actions overlap. Each is held and left
  // up for 60 ms: with 25 ms, a loaded run once saw no paste at all. Under Wine a short tap can
  // pass unseen (the key state of another process's input is cached briefly, and the polls
  // wait while a capture holds the display), and a tap between two polls does not fire.
  for (int i = 0; i < 20; ++i) {
    driver::SendKey(VK_F2, true);
    Sleep(60);
    driver::SendKey(VK_F2, false);
    Sleep(60);
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
