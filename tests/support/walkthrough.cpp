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
  HWND main = nullptr;
  if (!driver::WaitFor([&] {
        main = driver::FindMainWindow(program.pid);
        return main && driver::Alpha(main) == 240;
      }, 60s))
    return Fail("the main window did not come in");
  auto click = [&](int id) {
    const POINT p = driver::CentreOnScreen(driver::FindControl(main, id));
    driver::Click(p.x, p.y);
  };
  auto text = [&](int id) { return driver::Text(driver::FindControl(main, id)); };
  Sleep(300);  // the last repaint of the entrance
  driver::SaveScreenshot(out + L"\\1-main-window.bmp", WindowRect(main));

  click(超级按钮2);
  driver::WaitFor([&] { return IsWindowVisible(driver::FindControl(main, 图片框5)) != FALSE; }, 5s);
  Sleep(300);
  driver::SaveScreenshot(out + L"\\2-instructions.bmp", WindowRect(main));
  click(超级按钮1);
  driver::WaitFor([&] { return IsWindowVisible(driver::FindControl(main, 图片框5)) == FALSE; }, 5s);

  click(超级按钮4);
  if (!driver::WaitFor([&] { return text(透明标签1) == L"状态：成功设置热键"; }, 5s)) return Fail("the hotkey was not set");
  Sleep(300);
  driver::SaveScreenshot(out + L"\\3-hotkey-set.bmp", WindowRect(main));

  const std::wstring before = text(透明标签2);
  if (!driver::PressUntil(VK_F2, [&] { return text(透明标签2) == L"截图状态：已截图"; },
                          [&] { return text(透明标签2) == before; }))
    return Fail("F2 did not capture");

  const char* target = std::getenv("PASTE_TARGET_EXE");
  if (!target) return Fail("PASTE_TARGET_EXE is not set");
  const std::wstring path = driver::WinePath(target);
  std::wstring commandLine = L"\"" + path + L"\" C:\\walkthrough-paste.log 200 150 800 450";
  STARTUPINFOW si{sizeof si};
  PROCESS_INFORMATION pi{};
  if (!CreateProcessW(path.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
    return Fail("cannot start the paste target");
  CloseHandle(pi.hThread);
  platform::UniqueHandle targetProcess(pi.hProcess);
  HWND targetWindow = nullptr;
  driver::WaitFor([&] { return (targetWindow = FindWindowW(L"TarnwickPasteTarget", nullptr)) != nullptr; }, 10s);
  if (!targetWindow) return Fail("no paste target window");
  SetForegroundWindow(targetWindow);
  driver::WaitFor([&] { return GetForegroundWindow() == targetWindow; }, 5s);
  const bool pasted = driver::PressUntil(VK_F2, [&] { return text(透明标签2) == L"截图状态：已粘贴"; },
                                         [&] { return text(透明标签2) == L"截图状态：已截图"; });
  Sleep(800);  // the target repaints with the pasted picture
  RECT both = WindowRect(targetWindow);
  driver::SaveScreenshot(out + L"\\4-pasted-capture.bmp", both);

  TerminateProcess(targetProcess.get(), 0);
  PostMessageW(main, WM_CLOSE, 0, 0);
  program.WaitExit(15s);
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
