// The toolkit's controls shown on the display and worked with the real mouse.
#include <gtest/gtest.h>

#include <chrono>

#include "tests/support/driver.h"
#include "toolkit/toolkit.h"

namespace {

using namespace std::chrono_literals;
using toolkit::ButtonColours;
using toolkit::ControlLayout;
using toolkit::Kind;

constexpr ButtonColours kColours{RGB(1, 2, 3),     RGB(200, 10, 10), RGB(4, 5, 6),
                                 RGB(10, 200, 10), RGB(7, 8, 9),     RGB(10, 10, 200)};
const wchar_t* const kItems[] = {L"甲", L"乙", L"丙"};

const ControlLayout kControls[] = {
    {.id = 1, .name = L"按钮", .kind = Kind::SkinnedButton, .parent = 0, .x = 10, .y = 10, .width = 100,
     .height = 30, .text = L"按钮", .button = kColours},
    {.id = 2, .name = L"列表", .kind = Kind::ListBox, .parent = 0, .x = 10, .y = 60, .width = 100, .height = 60,
     .textColour = RGB(0, 136, 255), .cursor = toolkit::CursorKind::Hand, .items = kItems, .selected = 1},
    {.id = 3, .name = L"分组", .kind = Kind::GroupBox, .parent = 0, .x = 130, .y = 10, .width = 100,
     .height = 100, .text = L"截图键", .textColour = RGB(0, 96, 192)},
    {.id = 4, .name = L"空白", .kind = Kind::PictureBox, .parent = 0, .x = 130, .y = 120, .width = 100,
     .height = 30, .background = RGB(50, 60, 70)},
};
const toolkit::WindowLayout kLayout{.caption = L"controls", .width = 260, .height = 160, .controls = kControls};

// Waits for cond while this thread's windows get their events.
bool WaitPumping(const std::function<bool()>& cond, std::chrono::milliseconds limit = 5s) {
  const auto deadline = driver::Clock::now() + limit;
  while (!cond()) {
    if (driver::Clock::now() >= deadline) return false;
    toolkit::WaitWhileProcessingEvents(5);
  }
  return true;
}

COLORREF PixelOf(HWND control, int x, int y) {
  RECT rc{};
  GetWindowRect(control, &rc);
  return driver::ScreenPixel(rc.left + x, rc.top + y);
}

class Controls : public ::testing::Test {
 protected:
  void SetUp() override {
    toolkit::Start();
    ASSERT_TRUE(window_.Create());
    SetWindowPos(window_.hwnd(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
    toolkit::WaitWhileProcessingEvents(50);
  }
  toolkit::Window window_{kLayout};
};

TEST_F(Controls, SkinnedButtonShowsNormalHotAndFocusColoursAndClicks) {
  HWND button = window_.Control(1);
  int clicks = 0;
  window_.OnClick(1, [&] { ++clicks; });
  RECT rc{};
  GetWindowRect(button, &rc);
  EXPECT_TRUE(WaitPumping([&] { return PixelOf(button, 2, 2) == kColours.normalBack; }));

  driver::MoveMouse(rc.left + 20, rc.top + 10);
  EXPECT_TRUE(WaitPumping([&] { return PixelOf(button, 2, 2) == kColours.hotBack; })) << "hot";
  driver::ClickHere();
  EXPECT_TRUE(WaitPumping([&] { return clicks == 1; }));
  EXPECT_EQ(GetFocus(), button);

  driver::MoveMouse(rc.right + 150, rc.bottom + 150);  // off the button: TrackMouseEvent ends the hot state
  EXPECT_TRUE(WaitPumping([&] { return PixelOf(button, 2, 2) == kColours.focusBack; })) << "focused";

  SetFocus(window_.hwnd());
  EXPECT_TRUE(WaitPumping([&] { return PixelOf(button, 2, 2) == kColours.normalBack; })) << "normal again";
  EXPECT_EQ(clicks, 1);

  // New colours take effect at once.
  ButtonColours swapped = kColours;
  swapped.normalBack = RGB(90, 90, 90);
  window_.SetButtonColours(1, swapped);
  EXPECT_EQ(window_.GetButtonColours(1), swapped);
  EXPECT_TRUE(WaitPumping([&] { return PixelOf(button, 2, 2) == RGB(90, 90, 90); }));
}

TEST_F(Controls, ListBoxReportsLeftButtonDownAndKeepsItsSelection) {
  HWND list = window_.Control(2);
  EXPECT_EQ(window_.ListSelection(2), 1);
  int presses = 0;
  unsigned seenY = 0;
  window_.OnLeftButtonDown(2, [&](unsigned, unsigned y) {
    ++presses;
    seenY = y;
  });
  RECT rc{};
  GetWindowRect(list, &rc);
  driver::Click(rc.left + 20, rc.top + 6);  // on the first item
  EXPECT_TRUE(WaitPumping([&] { return presses == 1; }));
  EXPECT_TRUE(WaitPumping([&] { return window_.ListSelection(2) == 0; }));
  EXPECT_LT(seenY, 10u);
  window_.SetListSelection(2, 2);
  EXPECT_EQ(window_.ListSelection(2), 2);
}

TEST_F(Controls, GroupBoxTitleIsPaintedInItsColour) {
  HWND group = window_.Control(3);
  RECT rc{};
  GetClientRect(group, &rc);
  const auto titleColourShown = [&] {
    for (int y = 0; y < 16; ++y) {
      for (int x = 0; x < rc.right; ++x) {
        if (PixelOf(group, x, y) == RGB(0, 96, 192)) return true;
      }
    }
    return false;
  };
  EXPECT_TRUE(WaitPumping(titleColourShown));
}

TEST_F(Controls, TransparentLabelShowsItsParentsPixels) {
  // A label added over the grey picture box: its ground is the box's colour.
  static const ControlLayout withLabel[] = {
      {.id = 4, .name = L"底", .kind = Kind::PictureBox, .parent = 0, .x = 0, .y = 0, .width = 100, .height = 40,
       .background = RGB(50, 60, 70)},
      {.id = 5, .name = L"字", .kind = Kind::TransparentLabel, .parent = 4, .x = 10, .y = 10, .width = 80,
       .height = 20, .text = L"一", .textColour = RGB(255, 255, 255)},
  };
  static const toolkit::WindowLayout layout{.caption = L"label", .width = 100, .height = 40, .controls = withLabel};
  toolkit::Window window(layout);
  ASSERT_TRUE(window.Create());
  SetWindowPos(window.hwnd(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
  HWND label = window.Control(5);
  EXPECT_TRUE(WaitPumping([&] { return PixelOf(label, 78, 18) == RGB(50, 60, 70); }));
  // Text changes repaint it.
  bool white = false;
  window.SetText(5, L"一一一一一一");
  EXPECT_TRUE(WaitPumping([&] {
    RECT rc{};
    GetClientRect(label, &rc);
    for (int x = 40; x < rc.right && !white; ++x) {
      for (int y = 0; y < rc.bottom && !white; ++y) {
        const COLORREF c = PixelOf(label, x, y);
        white = GetRValue(c) > 180 && GetGValue(c) > 180 && GetBValue(c) > 180;  // smoothed edges allowed
      }
    }
    return white;
  }));
}

}  // namespace
