// Drives the real tarnwick.exe from this second process: reads its windows from outside,
// moves and clicks the real mouse and presses real keys.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "app/config.h"
#include "app/control_ids.h"
#include "tests/support/driver.h"

namespace {

using namespace std::chrono_literals;
using namespace main_ids;
using driver::Program;

struct Expected {
  const char* name;
  int id;
  int parent;  // 0: the window
  int x, y, width, height;
  const wchar_t* text;
  bool visible;
};

// The main window as designed, in 96-DPI pixels.
const Expected kMainWindow[] = {
    {"图片框2", 图片框2, 0, -3, -2, 352, 114, L"", true},
    {"图片框1", 图片框1, 图片框2, 33, 22, 265, 64, L"", true},
    {"图片框3", 图片框3, 图片框2, 276, 0, 29, 19, L"", true},
    {"图片框4", 图片框4, 图片框2, 305, 0, 33, 19, L"", true},
    {"超级按钮1", 超级按钮1, 0, 0, 112, 168, 32, L"一键截图", true},
    {"超级按钮2", 超级按钮2, 0, 168, 112, 168, 32, L"使用说明", true},
    {"超级按钮3", 超级按钮3, 0, 192, 440, 168, 32, L"关于我们", true},
    {"分组框1", 分组框1, 0, 0, 147, 104, 112, L"截图键", true},
    {"列表框1", 列表框1, 分组框1, 8, 20, 96, 81, L"", true},
    {"分组框2", 分组框2, 0, 104, 147, 104, 112, L"撤销键", true},
    {"列表框2", 列表框2, 分组框2, 8, 20, 96, 81, L"", true},
    {"超级按钮4", 超级按钮4, 0, 209, 192, 124, 32, L"设置热键", true},
    {"超级按钮5", 超级按钮5, 0, 209, 224, 124, 32, L"取消热键", true},
    {"透明标签1", 透明标签1, 0, 5, 263, 147, 16, L"状态：未操作", true},
    {"透明标签2", 透明标签2, 0, 168, 264, 160, 16, L"截图状态：未操作", true},
    {"图片框5", 图片框5, 0, 0, 144, 336, 137, L"", false},
    {"透明标签8", 透明标签8, 图片框5, 8, 28, 128, 24, L"1：自定义设置快捷键", true},
    {"透明标签9", 透明标签9, 图片框5, 8, 50, 128, 24, L"2：点击设置热键按钮", true},
    {"透明标签10", 透明标签10, 图片框5, 8, 71, 224, 24, L"3：按下快捷键即可截图，再次按下粘贴", true},
    {"透明标签11", 透明标签11, 图片框5, 8, 88, 320, 32, L"4：本程序设有撤销功能，若暂停热键，请单击取消热键按钮", true},
    {"透明标签3", 透明标签3, 图片框5, 84, 3, 173, 24, L"更多免费软件，尽在Tarnwick", true},
    {"透明标签12", 透明标签12, 图片框5, 117, 120, 97, 16, L"作者QQ：" TARNWICK_QQ_NUMBER_TEXT L"    ", true},
    {"透明标签4", 透明标签4, 图片框5, 211, 119, 136, 16, L"官方QQ群：" TARNWICK_QQ_GROUP_TEXT, true},
};

const wchar_t* const kKeys[] = {L"F1键", L"F2键", L"F3键", L"F4键", L"F5键", L"F6键",
                                L"F7键", L"F8键", L"F9键", L"F10键", L"F11键", L"F12键",
                                L"end键", L"home键", L"ALT键", L"CTRL键", L"~反撇号键"};

int Scaled(int v, int dpi) { return MulDiv(v, dpi, 96); }

int CentredLeft(int width) { return (GetSystemMetrics(SM_CXSCREEN) - width) / 2; }

// Starts the program and waits for its main window to appear.
HWND Start(Program& program) {
  if (!driver::Launch(program)) return nullptr;
  HWND main = nullptr;
  driver::WaitFor([&] { return (main = driver::FindMainWindow(program.pid)) != nullptr; });
  return main;
}

// Waits until the entrance has ended: alpha 240 and back at the centre.
bool WaitEntranceDone(HWND main, int width) {
  return driver::WaitFor([&] {
    RECT rc{};
    GetWindowRect(main, &rc);
    return driver::Alpha(main) == 240 && rc.left == CentredLeft(width);
  });
}

std::vector<std::wstring> ListItems(HWND list) {
  std::vector<std::wstring> items;
  const auto count = SendMessageW(list, LB_GETCOUNT, 0, 0);
  for (LRESULT i = 0; i < count; ++i) {
    wchar_t buffer[64] = {};
    SendMessageW(list, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(buffer));
    items.emplace_back(buffer);
  }
  return items;
}

void ExpectLayout(HWND main, int dpi) {
  RECT window{}, client{};
  GetWindowRect(main, &window);
  GetClientRect(main, &client);
  EXPECT_EQ(window.right - window.left, Scaled(333, dpi));
  EXPECT_EQ(window.bottom - window.top, Scaled(282, dpi));
  EXPECT_EQ(client.right, window.right - window.left) << "the client area is the whole window";
  EXPECT_EQ(client.bottom, window.bottom - window.top);
  const auto style = GetWindowLongPtrW(main, GWL_STYLE);
  EXPECT_EQ(style & (WS_CAPTION | WS_THICKFRAME | WS_BORDER | WS_DLGFRAME), 0);
  EXPECT_EQ(driver::Text(main), L"");

  for (const Expected& e : kMainWindow) {
    SCOPED_TRACE(e.name);
    HWND control = driver::FindControl(main, e.id);
    ASSERT_NE(control, nullptr);
    HWND parent = e.parent == 0 ? main : driver::FindControl(main, e.parent);
    EXPECT_EQ(GetParent(control), parent);
    const RECT rc = driver::RectInParent(control);
    EXPECT_EQ(rc.left, Scaled(e.x, dpi));
    EXPECT_EQ(rc.top, Scaled(e.y, dpi));
    EXPECT_EQ(rc.right - rc.left, Scaled(e.width, dpi));
    EXPECT_EQ(rc.bottom - rc.top, Scaled(e.height, dpi));
    EXPECT_EQ(driver::Text(control), e.text);
    EXPECT_EQ((GetWindowLongPtrW(control, GWL_STYLE) & WS_VISIBLE) != 0, e.visible);
  }
}

TEST(MainWindow, ShowsTheDesignedWindowCentredAtAlpha240) {
  Program program;
  HWND main = Start(program);
  ASSERT_NE(main, nullptr);
  ASSERT_TRUE(WaitEntranceDone(main, 333)) << "alpha " << int(driver::Alpha(main));
  RECT rc{};
  GetWindowRect(main, &rc);
  EXPECT_EQ(rc.left, CentredLeft(333));
  EXPECT_EQ(rc.top, (GetSystemMetrics(SM_CYSCREEN) - 282) / 2);
  ExpectLayout(main, 96);

  HWND captureList = driver::FindControl(main, 列表框1);
  HWND undoList = driver::FindControl(main, 列表框2);
  std::vector<std::wstring> capture(std::begin(kKeys), std::end(kKeys));
  std::vector<std::wstring> undo = capture;
  capture[1] = L"F2键（默认）";
  undo[2] = L"F3键（默认）";
  EXPECT_EQ(ListItems(captureList), capture);
  EXPECT_EQ(ListItems(undoList), undo);
  EXPECT_EQ(SendMessageW(captureList, LB_GETCURSEL, 0, 0), 1);
  EXPECT_EQ(SendMessageW(undoList, LB_GETCURSEL, 0, 0), 2);

  PostMessageW(main, WM_CLOSE, 0, 0);
  ASSERT_TRUE(program.WaitExit());
  EXPECT_EQ(program.exitCode, 0u);
}

TEST(MainWindow, TabsShowAndHideTheInstructions) {
  Program program;
  HWND main = Start(program);
  ASSERT_NE(main, nullptr);
  ASSERT_TRUE(WaitEntranceDone(main, 333));
  HWND panel = driver::FindControl(main, 图片框5);
  ASSERT_FALSE(IsWindowVisible(panel));

  const POINT instructions = driver::CentreOnScreen(driver::FindControl(main, 超级按钮2));
  driver::Click(instructions.x, instructions.y);
  EXPECT_TRUE(driver::WaitFor([&] { return IsWindowVisible(panel) != FALSE; }, 5s));
  // The panel lies over the key lists: the point of the lists now belongs to the panel's labels.
  const POINT list = driver::CentreOnScreen(driver::FindControl(main, 列表框1));
  EXPECT_NE(WindowFromPoint(list), driver::FindControl(main, 列表框1));

  const POINT keys = driver::CentreOnScreen(driver::FindControl(main, 超级按钮1));
  driver::Click(keys.x, keys.y);
  EXPECT_TRUE(driver::WaitFor([&] { return IsWindowVisible(panel) == FALSE; }, 5s));
  EXPECT_EQ(WindowFromPoint(list), driver::FindControl(main, 列表框1));

  PostMessageW(main, WM_CLOSE, 0, 0);
  ASSERT_TRUE(program.WaitExit());
  EXPECT_EQ(program.exitCode, 0u);
}

TEST(MainWindow, EscEndsTheProgramAtOnce) {
  // Wherever the keyboard focus is in the window: the window itself, a skinned button, a list.
  struct Case {
    const char* focus;
    int clickFirst;  // control to click before Esc, 0 for none
  };
  for (const Case c : {Case{"window", 0}, Case{"tab button", 超级按钮2}, Case{"key list", 列表框2}}) {
    SCOPED_TRACE(c.focus);
    Program program;
    HWND main = Start(program);
    ASSERT_NE(main, nullptr);
    ASSERT_TRUE(WaitEntranceDone(main, 333));
    const int centre = CentredLeft(333);
    SetForegroundWindow(main);
    ASSERT_TRUE(driver::WaitFor([&] { return GetForegroundWindow() == main; }, 5s));
    if (c.clickFirst) {
      HWND control = driver::FindControl(main, c.clickFirst);
      const POINT p = driver::CentreOnScreen(control);
      driver::Click(p.x, p.y);
      GUITHREADINFO info{sizeof info};
      ASSERT_TRUE(driver::WaitFor([&] {
        return GetGUIThreadInfo(GetWindowThreadProcessId(main, nullptr), &info) && info.hwndFocus == control;
      }, 5s));
    }
    driver::PressKey(VK_ESCAPE);
    int leftmost = centre;
    ASSERT_TRUE(driver::WaitFor([&] {
      RECT rc{};
      if (GetWindowRect(main, &rc)) leftmost = std::min<int>(leftmost, rc.left);
      return !program.Running();
    }, 10s));
    ASSERT_TRUE(program.WaitExit());
    EXPECT_EQ(program.exitCode, 0u);
    EXPECT_EQ(leftmost, centre) << "no exit animation";
  }
}

TEST(MainWindow, MinimiseBoxMinimisesTheWindow) {
  Program program;
  HWND main = Start(program);
  ASSERT_NE(main, nullptr);
  ASSERT_TRUE(WaitEntranceDone(main, 333));
  const POINT box = driver::CentreOnScreen(driver::FindControl(main, 图片框3));
  driver::Click(box.x, box.y);
  EXPECT_TRUE(driver::WaitFor([&] { return IsIconic(main) != FALSE; }, 5s));
  EXPECT_TRUE(program.Running());
  PostMessageW(main, WM_CLOSE, 0, 0);
  ASSERT_TRUE(program.WaitExit());
  EXPECT_EQ(program.exitCode, 0u);
}

// Watches the window until the process ends; returns the leftmost position and lowest alpha seen.
struct Seen {
  int leftmost = 1 << 30;
  int lowestAlpha = 256;
  int highestAlphaAfterFirstDrop = -1;
};
Seen WatchUntilExit(Program& program, HWND main) {
  Seen seen;
  driver::WaitFor([&] {
    RECT rc{};
    if (GetWindowRect(main, &rc)) {
      seen.leftmost = std::min<int>(seen.leftmost, rc.left);
      seen.lowestAlpha = std::min<int>(seen.lowestAlpha, driver::Alpha(main));
    }
    return !program.Running();
  }, 20s);
  return seen;
}

TEST(MainWindow, CloseBoxFadesAndSlidesLeftThenEndsWithZero) {
  Program program;
  HWND main = Start(program);
  ASSERT_NE(main, nullptr);
  ASSERT_TRUE(WaitEntranceDone(main, 333));
  const int centre = CentredLeft(333);
  const POINT box = driver::CentreOnScreen(driver::FindControl(main, 图片框4));
  driver::Click(box.x, box.y);
  const Seen seen = WatchUntilExit(program, main);
  ASSERT_TRUE(program.WaitExit());
  EXPECT_EQ(program.exitCode, 0u);
  // The window slides one pixel per pass for 200 passes; the last positions may pass
  // between two looks from here, but never beyond 200.
  EXPECT_LE(seen.leftmost, centre - 150);
  EXPECT_GE(seen.leftmost, centre - 200);
  EXPECT_LE(seen.lowestAlpha, 90);
  EXPECT_GE(seen.lowestAlpha, 40);
}

TEST(MainWindow, CloseBoxDuringTheEntranceEndsWithTheExitAnimation) {
  const int centre = CentredLeft(333);
  const int top = (GetSystemMetrics(SM_CYSCREEN) - 282) / 2;
  // The close box spans 302..334 of the window. With the pointer at 332 from where the
  // entrance starts (100 left of centre), the box passes under it during its first 30 steps.
  driver::MoveMouse(centre - 100 + 332, top + 8);
  Program program;
  ASSERT_TRUE(driver::Launch(program));
  HWND main = nullptr;
  ASSERT_TRUE(driver::WaitFor([&] { return (main = driver::FindMainWindow(program.pid, false)) != nullptr; }));
  // Watch without pausing: the steps are short.
  int clickedAt = 0;
  const auto deadline = driver::Clock::now() + 15s;
  while (driver::Clock::now() < deadline && program.Running()) {
    RECT rc{};
    if (IsWindowVisible(main) && GetWindowRect(main, &rc) && rc.left <= centre - 80 && rc.left >= centre - 100) {
      driver::ClickHere();
      clickedAt = rc.left - centre;
      break;
    }
  }
  ASSERT_NE(clickedAt, 0) << "never saw the entrance's start";
  const Seen seen = WatchUntilExit(program, main);
  ASSERT_TRUE(program.WaitExit());
  EXPECT_EQ(program.exitCode, 0u);
  EXPECT_LE(seen.lowestAlpha, 90) << "the exit animation ran";
  // Started left of centre, the 200-pixel slide ends further left than one started at the
  // centre could: the exit began before the entrance had come back.
  EXPECT_LT(seen.leftmost, centre - 220);
  RecordProperty("clicked_at_from_centre", clickedAt);
  RecordProperty("leftmost_from_centre", seen.leftmost - centre);
}

// Colour of the minimise box's top-left area: blue when normal, light blue when hovered.
bool MinimiseShowsHover(HWND box) {
  RECT rc{};
  GetWindowRect(box, &rc);
  const COLORREF c = driver::ScreenPixel(rc.left + 1, rc.bottom - 3);
  return GetRValue(c) > 25 && GetBValue(c) < 248;  // (45,186,238) against (0,136,255)
}

TEST(MainWindow, MinimiseBoxHoverEndsWhicheverWayThePointerLeaves) {
  Program program;
  HWND main = Start(program);
  ASSERT_NE(main, nullptr);
  ASSERT_TRUE(WaitEntranceDone(main, 333));
  HWND minimise = driver::FindControl(main, 图片框3);
  HWND close = driver::FindControl(main, 图片框4);
  RECT box{};
  GetWindowRect(minimise, &box);
  const POINT inside{(box.left + box.right) / 2, (box.top + box.bottom) / 2};

  struct Way {
    const char* name;
    POINT to;
  };
  const Way ways[] = {
      {"left onto the title band", {box.left - 12, inside.y}},
      {"down onto the title band", {inside.x, box.bottom + 12}},
      {"up off the window's top edge", {inside.x, box.top - 12}},
      {"right onto the close box", {box.right + 6, inside.y}},
  };
  const POINT away{box.left - 60, box.bottom + 30};  // the title band, far from both boxes
  for (const Way& way : ways) {
    SCOPED_TRACE(way.name);
    driver::MoveMouse(away.x, away.y);
    driver::MoveMouse(inside.x - 1, inside.y);
    driver::MoveMouse(inside.x, inside.y);
    ASSERT_TRUE(driver::WaitFor([&] { return MinimiseShowsHover(minimise); }, 5s));
    EXPECT_EQ(driver::CaptureOf(main), minimise);
    driver::MoveMouse(way.to.x, way.to.y);
    EXPECT_TRUE(driver::WaitFor([&] { return !MinimiseShowsHover(minimise); }, 5s));
    EXPECT_TRUE(driver::WaitFor([&] { return driver::CaptureOf(main) != minimise; }, 5s));
    if (way.to.x > box.right) {
      // Straight onto the close box: only the close box is hovered now.
      EXPECT_TRUE(driver::WaitFor([&] { return driver::CaptureOf(main) == close; }, 5s));
    }
  }
  driver::MoveMouse(away.x, away.y);
  EXPECT_TRUE(driver::WaitFor([&] { return driver::CaptureOf(main) == nullptr; }, 5s));

  PostMessageW(main, WM_CLOSE, 0, 0);
  ASSERT_TRUE(program.WaitExit());
  EXPECT_EQ(program.exitCode, 0u);
}

bool CloseShowsHover(HWND box) {
  RECT rc{};
  GetWindowRect(box, &rc);
  const COLORREF c = driver::ScreenPixel(rc.left + 2, rc.bottom - 3);
  return GetRValue(c) > 200 && GetBValue(c) < 100;  // (240,86,50) against (0,136,255)
}

// A plain window of this process: another program's window as far as tarnwick is concerned.
HWND MakeNeighbour(int x, int y, int width, int height) {
  static const ATOM atom = [] {
    WNDCLASSW wc{};
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hbrBackground = GetSysColorBrush(COLOR_WINDOW);
    wc.lpszClassName = L"Neighbour";
    return RegisterClassW(&wc);
  }();
  (void)atom;
  HWND hwnd = CreateWindowExW(WS_EX_TOPMOST | WS_EX_NOACTIVATE, L"Neighbour", L"neighbour", WS_POPUP | WS_VISIBLE,
                              x, y, width, height, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
  return hwnd;
}

TEST(MainWindow, CloseBoxHoverEndsWhenThePointerGoesToAnotherProgramsWindow) {
  Program program;
  HWND main = Start(program);
  ASSERT_NE(main, nullptr);
  ASSERT_TRUE(WaitEntranceDone(main, 333));
  HWND close = driver::FindControl(main, 图片框4);
  RECT window{}, box{};
  GetWindowRect(main, &window);
  GetWindowRect(close, &box);
  HWND neighbour = MakeNeighbour(window.right, window.top, 120, 80);
  ASSERT_NE(neighbour, nullptr);
  const int y = (box.top + box.bottom) / 2;

  driver::MoveMouse(box.left - 40, y + 40);
  driver::MoveMouse(box.left + 10, y);
  ASSERT_TRUE(driver::WaitFor([&] { return CloseShowsHover(close); }, 5s));
  EXPECT_EQ(driver::CaptureOf(main), close);
  // No button held: the captured move is not delivered over our neighbour's window.
  driver::MoveMouse(window.right + 40, y);
  EXPECT_TRUE(driver::WaitFor([&] { return driver::CaptureOf(main) == nullptr; }, 5s));
  // The close box shows its new picture with the next repaint.
  InvalidateRect(close, nullptr, FALSE);
  EXPECT_TRUE(driver::WaitFor([&] { return !CloseShowsHover(close); }, 5s));

  DestroyWindow(neighbour);
  PostMessageW(main, WM_CLOSE, 0, 0);
  ASSERT_TRUE(program.WaitExit());
  EXPECT_EQ(program.exitCode, 0u);
}

TEST(MainWindow, DraggingTheTitleBandOrTheWordMarkMovesTheWindow) {
  Program program;
  HWND main = Start(program);
  ASSERT_NE(main, nullptr);
  ASSERT_TRUE(WaitEntranceDone(main, 333));
  for (int id : {图片框2, 图片框1}) {
    SCOPED_TRACE(id);
    RECT before{}, grip{};
    GetWindowRect(main, &before);
    GetWindowRect(driver::FindControl(main, id), &grip);
    // A point of the control that no child covers.
    const POINT from{id == 图片框2 ? grip.left + 20 : (grip.left + grip.right) / 2, grip.top + 30};
    driver::MoveMouse(from.x, from.y);
    driver::LeftButton(from.x, from.y, true);
    // Move only once the program's drag loop runs: it takes the pointer's position when it
    // starts, so moves sent before that would not all count.
    const DWORD thread = GetWindowThreadProcessId(main, nullptr);
    EXPECT_TRUE(driver::WaitFor([&] {
      GUITHREADINFO info{sizeof info};
      return GetGUIThreadInfo(thread, &info) && (info.flags & GUI_INMOVESIZE);
    }, 5s)) << "the drag did not start";
    for (int step = 1; step <= 10; ++step) driver::MoveMouse(from.x + 4 * step, from.y + 3 * step);
    EXPECT_TRUE(driver::WaitFor([&] {
      RECT now{};
      GetWindowRect(main, &now);
      return now.left == before.left + 40 && now.top == before.top + 30;
    }, 5s));
    driver::LeftButton(from.x + 40, from.y + 30, false);
    // Released: moving on no longer drags. A button press elsewhere shows the drag is over.
    driver::MoveMouse(from.x + 60, from.y + 60);
    RECT after{};
    GetWindowRect(main, &after);
    EXPECT_NE(after.left, before.left + 60);
  }
  PostMessageW(main, WM_CLOSE, 0, 0);
  ASSERT_TRUE(program.WaitExit());
  EXPECT_EQ(program.exitCode, 0u);
}

int VisibleWindowsOf(DWORD pid) {
  struct Count {
    DWORD pid;
    int n;
  } count{pid, 0};
  EnumWindows(
      [](HWND hwnd, LPARAM lp) -> BOOL {
        auto* c = reinterpret_cast<Count*>(lp);
        DWORD owner = 0;
        GetWindowThreadProcessId(hwnd, &owner);
        if (owner == c->pid && IsWindowVisible(hwnd)) ++c->n;
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&count));
  return count.n;
}

TEST(MainWindow, ALinkNoProgramOpensFailsSilently) {
  Program program;
  HWND main = Start(program);
  ASSERT_NE(main, nullptr);
  ASSERT_TRUE(WaitEntranceDone(main, 333));
  const POINT tab = driver::CentreOnScreen(driver::FindControl(main, 超级按钮2));
  driver::Click(tab.x, tab.y);
  HWND panel = driver::FindControl(main, 图片框5);
  ASSERT_TRUE(driver::WaitFor([&] { return IsWindowVisible(panel) != FALSE; }, 5s));
  // The chat link: no messenger is installed here.
  RECT label{};
  GetWindowRect(driver::FindControl(main, 透明标签12), &label);
  driver::Click(label.left + 20, (label.top + label.bottom) / 2);
  // The click is handled once the program answers again; then no message box has appeared.
  DWORD_PTR ignored = 0;
  ASSERT_TRUE(SendMessageTimeoutW(main, WM_NULL, 0, 0, SMTO_NORMAL, 10000, &ignored));
  EXPECT_FALSE(driver::WaitFor([&] { return VisibleWindowsOf(program.pid) > 1; }, 1s));
  EXPECT_TRUE(program.Running());
  PostMessageW(main, WM_CLOSE, 0, 0);
  ASSERT_TRUE(program.WaitExit());
  EXPECT_EQ(program.exitCode, 0u);
}

// A drag runs a modal loop of the system, which swallows the quit message: the program
// must still end when its window is closed meanwhile.
TEST(MainWindow, ACloseRequestDuringADragEndsTheProgram) {
  Program program;
  HWND main = Start(program);
  ASSERT_NE(main, nullptr);
  ASSERT_TRUE(WaitEntranceDone(main, 333));
  RECT before{}, band{};
  GetWindowRect(main, &before);
  GetWindowRect(driver::FindControl(main, 图片框2), &band);
  const POINT from{band.left + 20, band.top + 30};
  driver::MoveMouse(from.x, from.y);
  INPUT press[2]{};
  press[0].type = press[1].type = INPUT_MOUSE;
  press[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
  press[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
  SendInput(1, &press[0], sizeof press[0]);
  driver::MoveMouse(from.x + 10, from.y + 10);
  ASSERT_TRUE(driver::WaitFor([&] {
    RECT now{};
    GetWindowRect(main, &now);
    return now.left == before.left + 10;
  }, 5s));
  PostMessageW(main, WM_CLOSE, 0, 0);  // while the button is still held
  const bool ended = program.WaitExit(10s);
  SendInput(1, &press[1], sizeof press[1]);
  ASSERT_TRUE(ended || program.WaitExit(5s));
  EXPECT_TRUE(ended) << "ended while the button was held";
  EXPECT_EQ(program.exitCode, 0u);
}

// Sets the prefix's LogPixels for the programs started while it lives, and puts the old
// value back.
class LogPixels {
 public:
  explicit LogPixels(DWORD dpi) {
    DWORD size = sizeof old_;
    had_ = RegGetValueW(HKEY_CURRENT_USER, L"Control Panel\\Desktop", L"LogPixels", RRF_RT_REG_DWORD, nullptr,
                        &old_, &size) == ERROR_SUCCESS;
    RegSetKeyValueW(HKEY_CURRENT_USER, L"Control Panel\\Desktop", L"LogPixels", REG_DWORD, &dpi, sizeof dpi);
  }
  ~LogPixels() {
    if (had_) {
      RegSetKeyValueW(HKEY_CURRENT_USER, L"Control Panel\\Desktop", L"LogPixels", REG_DWORD, &old_, sizeof old_);
    } else {
      RegDeleteKeyValueW(HKEY_CURRENT_USER, L"Control Panel\\Desktop", L"LogPixels");
    }
  }

 private:
  DWORD old_ = 96;
  bool had_ = false;
};

TEST(MainWindow, ScalesTheWholeLayoutAt144Dpi) {
  Program program;
  HWND main = nullptr;
  {
    LogPixels scaled(144);
    main = Start(program);
    ASSERT_NE(main, nullptr);
    ASSERT_TRUE(WaitEntranceDone(main, Scaled(333, 144)));
  }
  ExpectLayout(main, 144);
  PostMessageW(main, WM_CLOSE, 0, 0);
  ASSERT_TRUE(program.WaitExit());
  EXPECT_EQ(program.exitCode, 0u);
}

// Keeps a picture of the virtual display when a test fails, to see what went wrong.
class ScreenshotOnFailure : public ::testing::EmptyTestEventListener {
  void OnTestEnd(const ::testing::TestInfo& info) override {
    if (!info.result()->Failed()) return;
    const char* dir = std::getenv("E2E_SCREENSHOT_DIR");
    if (!dir) return;
    const std::wstring path = driver::WinePath(std::string(dir) + "/" + info.name() + ".bmp");
    driver::SaveScreenshot(path);
  }
};

const bool kListening = [] {
  ::testing::UnitTest::GetInstance()->listeners().Append(new ScreenshotOnFailure);
  return true;
}();

}  // namespace
