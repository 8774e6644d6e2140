// A start of the real tarnwick.exe on a system without a drive D: (run with WINEBED_NO_D=1):
// the upkeep fails silently and the program comes up as usual.
#include "tests/e2e/startup_e2e.h"

namespace {

using namespace startup_e2e;

// The program's visible top-level windows.
std::vector<HWND> VisibleWindowsOf(DWORD pid) {
  struct Search {
    DWORD pid;
    std::vector<HWND> found;
  } search{pid, {}};
  EnumWindows(
      [](HWND hwnd, LPARAM lp) -> BOOL {
        auto* s = reinterpret_cast<Search*>(lp);
        DWORD owner = 0;
        GetWindowThreadProcessId(hwnd, &owner);
        if (owner == s->pid && IsWindowVisible(hwnd)) s->found.push_back(hwnd);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

TEST_F(StartupTest, WithoutDriveDTheStartGoesOnSilently) {
  ASSERT_EQ(GetDriveTypeW(L"D:\\"), static_cast<UINT>(DRIVE_NO_ROOT_DIR)) << "run with WINEBED_NO_D=1";
  driver::Program program;
  ASSERT_TRUE(driver::Launch(program));
  const StartSeen seen = WatchStart(program, true, 30s);
  ASSERT_TRUE(seen.mainWindowIn);
  EXPECT_TRUE(seen.message.empty());
  HWND main = driver::FindMainWindow(program.pid);
  ASSERT_NE(main, nullptr);
  EXPECT_EQ(VisibleWindowsOf(program.pid), std::vector<HWND>{main}) << "no message, no other window";
  // No settings file to read: the lists keep their defaults.
  EXPECT_EQ(SendMessageW(driver::FindControl(main, main_ids::列表框1), LB_GETCURSEL, 0, 0), 1);
  EXPECT_EQ(SendMessageW(driver::FindControl(main, main_ids::列表框2), LB_GETCURSEL, 0, 0), 2);
  PostMessageW(main, WM_CLOSE, 0, 0);
  ASSERT_TRUE(program.WaitExit());
  EXPECT_EQ(program.exitCode, 0u);
}

}  // namespace
