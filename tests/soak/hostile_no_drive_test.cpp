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
  ASSERT_TRUE(driver::Launch(program));
  HWND main = driver::WaitMainWindowIn(program);
  ASSERT_NE(main, nullptr);
  const auto control = [&](int id) { return driver::FindControl(main, id); };
  EXPECT_EQ(SendMessageW(control(列表框1), LB_GETCURSEL, 0, 0), 1);
  EXPECT_EQ(SendMessageW(control(列表框2), LB_GETCURSEL, 0, 0), 2);
  // The key is set for this run; the choice could not be saved, and the status says so.
  ASSERT_TRUE(driver::SetHotkey(main, driver::kStatusNotSaved));
  EXPECT_EQ(FindWindowW(L"#32770", nullptr), nullptr) << "a message box came up";

  const DWORD before = GetClipboardSequenceNumber();
  const bool captured = driver::PressUntilText(VK_F2, main, 透明标签2, L"截图状态：已截图");
  EXPECT_TRUE(captured);
  EXPECT_NE(GetClipboardSequenceNumber(), before);

  EXPECT_TRUE(driver::Close(program, main));
  EXPECT_EQ(program.exitCode, 0u);
}

}  // namespace
