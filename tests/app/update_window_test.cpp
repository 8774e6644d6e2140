// The update window loaded in this process as a modal dialog, read through its handles.
#include <gtest/gtest.h>

#include "app/control_ids.h"
#include "app/update_window.h"
#include "platform/win.h"
#include "toolkit/toolkit.h"

#include <commctrl.h>

namespace {

RECT RectInParent(HWND control) {
  RECT rc{};
  GetWindowRect(control, &rc);
  MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&rc), 2);
  return rc;
}

std::wstring Text(HWND hwnd) {
  wchar_t buffer[256] = {};
  GetWindowTextW(hwnd, buffer, 256);
  return buffer;
}

TEST(UpdateWindow, LoadsAsAModalDialogWithItsLayout) {
  ASSERT_TRUE(toolkit::Start());
  // An owner stands in for the hidden main window: it is disabled while the dialog runs.
  toolkit::Window owner(app::UpdateWindowLayout());
  ASSERT_TRUE(owner.Create());
  bool ran = false;
  app::LoadUpdateWindow(owner.hwnd(), [&](toolkit::Window& dialog) {
    ran = true;
    HWND w = dialog.hwnd();
    EXPECT_TRUE(IsWindowVisible(w));
    EXPECT_FALSE(IsWindowEnabled(owner.hwnd()));
    RECT rc{};
    GetWindowRect(w, &rc);
    EXPECT_EQ(rc.right - rc.left, 303);
    EXPECT_EQ(rc.bottom - rc.top, 45);
    EXPECT_EQ(rc.left, (GetSystemMetrics(SM_CXSCREEN) - 303) / 2);
    EXPECT_EQ(rc.top, (GetSystemMetrics(SM_CYSCREEN) - 45) / 2);
    EXPECT_EQ(GetWindowLongPtrW(w, GWL_STYLE) & (WS_CAPTION | WS_THICKFRAME | WS_BORDER), 0);

    HWND progress = dialog.Control(update_ids::进度条1);
    ASSERT_NE(progress, nullptr);
    const RECT p = RectInParent(progress);
    EXPECT_EQ(p.left, 25);
    EXPECT_EQ(p.top, 30);
    EXPECT_EQ(p.right - p.left, 176);
    EXPECT_EQ(p.bottom - p.top, 5);
    EXPECT_EQ(SendMessageW(progress, PBM_GETRANGE, TRUE, 0), 0);
    EXPECT_EQ(SendMessageW(progress, PBM_GETRANGE, FALSE, 0), 100);
    EXPECT_EQ(SendMessageW(progress, PBM_GETPOS, 0, 0), 0);

    HWND label = dialog.Control(update_ids::透明标签1);
    ASSERT_NE(label, nullptr);
    const RECT l = RectInParent(label);
    EXPECT_EQ(l.left, 80);
    EXPECT_EQ(l.top, 0);
    EXPECT_EQ(l.right - l.left, 376);
    EXPECT_EQ(l.bottom - l.top, 32);
    EXPECT_EQ(Text(label), L"正在检查更新！");

    // The key grey ground, as painted.
    toolkit::WaitWhileProcessingEvents(50);
    HDC dc = GetDC(w);
    EXPECT_EQ(GetPixel(dc, 5, 5), RGB(236, 236, 236));
    ReleaseDC(w, dc);

    // Esc does nothing in this window.
    SendMessageW(w, WM_KEYDOWN, VK_ESCAPE, 0);
    PostMessageW(w, WM_KEYDOWN, VK_ESCAPE, 0);
    toolkit::ProcessPendingEvents();
    EXPECT_TRUE(IsWindow(w));
    DestroyWindow(w);
  });
  EXPECT_TRUE(ran);
  EXPECT_TRUE(IsWindowEnabled(owner.hwnd())) << "the owner is enabled again";
}

}  // namespace
