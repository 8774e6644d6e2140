// Helpers of the start-up end-to-end tests: the page server on the program's update port,
// and a watch over one start of the real program from outside.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "app/control_ids.h"
#include "tests/support/driver.h"
#include "tests/update/page_server_client.h"

namespace startup_e2e {

using namespace std::chrono_literals;

inline const std::wstring kChecking = L"正在检查更新！";

// What was seen of one start, until the program ended or its main window had come in.
struct StartSeen {
  bool updateWindowSeen = false;
  bool colourKeyed = false;      // WS_EX_LAYERED with the key grey as colour key
  int highestProgress = -1;
  bool barHidden = false;
  std::wstring message;          // the update window's label once it no longer says kChecking
  ULONGLONG messageSeenAt = 0;   // GetTickCount64() when that text was first seen
  bool mainWindowVisible = false;
  bool mainWindowIn = false;     // visible with its entrance done (alpha 240)
  bool updateWindowGoneWhenMainIn = false;
  bool exited = false;
  ULONGLONG exitedAt = 0;
};

inline int ProgressOf(HWND bar) {
  DWORD_PTR pos = 0;
  if (!SendMessageTimeoutW(bar, 0x0408 /* PBM_GETPOS */, 0, 0, SMTO_ABORTIFHUNG, 200, &pos)) return -1;
  return static_cast<int>(pos);
}

// Watches without pausing longer than a few milliseconds: the steps are short. Stops when
// the process has ended, or (untilMainIn) when the main window has finished its entrance.
inline StartSeen WatchStart(driver::Program& program, bool untilMainIn, std::chrono::milliseconds limit) {
  StartSeen seen;
  HWND update = nullptr, bar = nullptr, label = nullptr, main = nullptr;
  driver::WaitFor([&] {
    if (!program.Running()) {
      seen.exited = true;
      seen.exitedAt = GetTickCount64();
      return true;
    }
    if (!update) update = driver::FindUpdateWindow(program.pid, false);
    // The window can be found while its controls are still being made (the bar comes before
    // the label): look again until both are there, or a loaded machine misses the message.
    if (update && !bar) bar = driver::FindControl(update, update_ids::进度条1);
    if (update && !label) label = driver::FindControl(update, update_ids::透明标签1);
    if (update && IsWindow(update) && IsWindowVisible(update)) {
      seen.updateWindowSeen = true;
      COLORREF key = 0;
      BYTE alpha = 0;
      DWORD flags = 0;
      if (GetLayeredWindowAttributes(update, &key, &alpha, &flags) && (flags & LWA_COLORKEY) &&
          key == RGB(236, 236, 236) && GetWindowLongW(update, GWL_EXSTYLE) == WS_EX_LAYERED) {
        seen.colourKeyed = true;
      }
      if (bar) {
        seen.highestProgress = std::max(seen.highestProgress, ProgressOf(bar));
        if (IsWindow(bar) && !IsWindowVisible(bar)) seen.barHidden = true;
      }
      if (label && seen.message.empty()) {
        // The text the system keeps for the window (read without a message to the program),
        // else the label's own answer, asked with a short time-out.
        wchar_t buffer[256] = {};
        GetWindowTextW(label, buffer, 256);
        std::wstring text = buffer;
        if (text.empty() || text == kChecking) {
          wchar_t asked[256] = {};
          DWORD_PTR got = 0;
          if (SendMessageTimeoutW(label, WM_GETTEXT, 256, reinterpret_cast<LPARAM>(asked), SMTO_ABORTIFHUNG, 200, &got))
            text = asked;
        }
        if (!text.empty() && text != kChecking) {
          seen.message = text;
          seen.messageSeenAt = GetTickCount64();
        }
      }
    }
    if (!main) main = driver::FindMainWindow(program.pid, true);
    if (main && IsWindowVisible(main)) {
      seen.mainWindowVisible = true;
      if (driver::Alpha(main) == 240) {
        seen.mainWindowIn = true;
        seen.updateWindowGoneWhenMainIn = !update || !IsWindow(update);
        if (untilMainIn) return true;
      }
    }
    return false;
  }, limit);
  return seen;
}

// The page server the pageserver fixture runs on the program's update port.
class StartupTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(server.Attach("TARNWICK_PAGE_DIR")) << "needs the pageserver fixture (TARNWICK_PAGE_DIR)";
    ASSERT_TRUE(server.SetMode("site"));
    server.ForgetRequests();
  }
  // Whatever happened, later tests find the update page served as usual.
  void TearDown() override { server.SetMode("site"); }

  testsupport::PageServer server;
};

}  // namespace startup_e2e
