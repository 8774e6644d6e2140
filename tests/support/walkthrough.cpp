// Walks through the main job on the real program, as a newcomer would, and saves a picture
// of each step:  walkthrough.exe OUTDIR
//   1-main-window.bmp     the main window after its entrance
//   2-instructions.bmp    the instructions tab
//   3-hotkey-set.bmp      "设置热键" pressed with the default key F2
//   4-pasted-capture.bmp  F2 captured the screen, F2 again pasted it into a paste target
// TARNWICK_EXE names the program and PASTE_TARGET_EXE the paste target (Linux paths).
#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/control_ids.h"
#include "tests/support/driver.h"

namespace {

using namespace std::chrono_literals;
using namespace main_ids;

RECT WindowRect(HWND hwnd) {
  RECT rc{};
  GetWindowRect(hwnd, &rc);
  return rc;
}

bool Fail(const char* what) {
  std::printf("walkthrough: %s\n", what);
  return false;
}

bool Walk(const std::wstring& out) {
  driver::Program program;
  if (!driver::Launch(program)) return Fail("cannot start the program (TARNWICK_EXE)");
  HWND main = driver::WaitMainWindowIn(program);
  if (!main) return Fail("the main window did not come in");
  auto click = [&](int id) { driver::ClickControl(main, id); };
  Sleep(300);  // the last repaint of the entrance
  driver::SaveScreenshot(out + L"\\1-main-window.bmp", WindowRect(main));

  click(超级按钮2);
  driver::WaitFor([&] { return IsWindowVisible(driver::FindControl(main, 图片框5)) != FALSE; }, 5s);
  Sleep(300);
  driver::SaveScreenshot(out + L"\\2-instructions.bmp", WindowRect(main));
  click(超级按钮1);
  driver::WaitFor([&] { return IsWindowVisible(driver::FindControl(main, 图片框5)) == FALSE; }, 5s);

  if (!driver::SetHotkey(main)) return Fail("the hotkey was not set");
  Sleep(300);
  driver::SaveScreenshot(out + L"\\3-hotkey-set.bmp", WindowRect(main));

  if (!driver::PressUntilText(VK_F2, main, 透明标签2, L"截图状态：已截图")) return Fail("F2 did not capture");

  driver::PasteTarget target(L"C:\\walkthrough-paste.log");
  HWND targetWindow = target.Start(200, 150, 800, 450);
  if (!targetWindow) return Fail("cannot start the paste target (PASTE_TARGET_EXE)");
  const bool pasted = driver::PressUntilText(VK_F2, main, 透明标签2, L"截图状态：已粘贴");
  Sleep(800);  // the target repaints with the pasted picture
  RECT both = WindowRect(targetWindow);
  driver::SaveScreenshot(out + L"\\4-pasted-capture.bmp", both);

  driver::Stop(target.program());
  driver::Close(program, main);
  if (!pasted) return Fail("F2 did not paste");
  std::puts("walkthrough: all four steps done");
  return true;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) {
    std::puts("usage: walkthrough.exe OUTDIR");
    return 2;
  }
  return Walk(argv[1]) ? 0 : 1;
}
