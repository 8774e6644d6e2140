// The real tarnwick.exe on a machine without a drive D:: it starts with the default keys,
// sets its key for the run (the status says it could not be saved), and captures.
#include <gtest/gtest.h>

#include "app/control_ids.h"
#include "tests/support/driver.h"

namespace {

using namespace std::chrono_literals;
using namespace main_ids;

TEST(NoDriveD, StartsWithTheDefaultKeysAndCaptures) {
  ASSERT_EQ(GetFileAttributesW(L"D:\\"), INVALID_FILE_ATTRIBUTES) << "the bed left a drive D:";
  driver::Program program;
  HWND main = nullptr;
  ASSERT_TRUE(driver::Launch(program));
  ASSERT_TRUE(driver::WaitFor([&] {
    main = driver::FindMainWindow(program.pid);
    return main && driver::Alpha(main) == 240;
  }, 60s));
  const auto control = [&](int id) { return driver::FindControl(main, id); };
  EXPECT_EQ(SendMessageW(control(列表框1), LB_GETCURSEL, 0, 0), 1);
  EXPECT_EQ(SendMessageW(control(列表框2), LB_GETCURSEL, 0, 0), 2);
  const POINT set = driver::CentreOnScreen(control(超级按钮4));
  driver::Click(set.x, set.y);
  // The key is set for this run; the choice could not be saved, and the status says so.
  ASSERT_TRUE(driver::WaitFor([&] { return driver::Text(control(透明标签1)) == L"状态：已设热键，保存失败"; }, 5s));
  EXPECT_EQ(FindWindowW(L"#32770", nullptr), nullptr) << "a message box came up";

  const DWORD before = GetClipboardSequenceNumber();
  INPUT in{};
  in.type = INPUT_KEYBOARD;
  in.ki.wVk = VK_F2;
  bool captured = false;
  const auto deadline = driver::Clock::now() + 20s;
  SendInput(1, &in, sizeof in);
  while (!captured && driver::Clock::now() < deadline) {
    captured = driver::WaitFor([&] { return driver::Text(control(透明标签2)) == L"截图状态：已截图"; }, 2s);
    if (!captured && GetAsyncKeyState(VK_F2) >= 0) SendInput(1, &in, sizeof in);  // wiped by Wine
  }
  in.ki.dwFlags = KEYEVENTF_KEYUP;
  SendInput(1, &in, sizeof in);
  EXPECT_TRUE(captured);
  EXPECT_NE(GetClipboardSequenceNumber(), before);

  PostMessageW(main, WM_CLOSE, 0, 0);
  EXPECT_TRUE(program.WaitExit(15s));
  EXPECT_EQ(program.exitCode, 0u);
}

}  // namespace
