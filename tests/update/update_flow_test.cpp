// The update check under Wine against a real HTTP server on 127.0.0.1: first with a window
// of our own that records the steps (every page case), then with a real window, progress
// bar and label.
#include "settings/update_window_win.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include "tests/update/fake_update_ui.h"
#include "tests/update/page_server_client.h"

using namespace settings;
using testsupport::FakeUpdateUi;
using testsupport::PageServer;

namespace {

platform::PageReadLimits TestLimits() {
  platform::PageReadLimits limits;
  limits.connectTimeoutMs = limits.sendTimeoutMs = limits.receiveTimeoutMs = 1500;
  limits.overallDeadlineMs = 3000;
  return limits;
}

const wchar_t kQqNumber[] = L"10001";
const std::wstring kOutdated = std::wstring(L"当前不是最新版，请联系QQ") + kQqNumber + L"更新！";
const std::wstring kFailed = L"无法连接更新服务器，请检查网络后重试！";

class UpdateFlow : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(server.Attach()) << "run through tests/support/with_page_server.sh"; }
  PageServer server;
};

TEST_F(UpdateFlow, EachPageGivesItsOutcomeAfterOneRequest) {
  struct Case {
    const char* name;
    const char* mode;
    std::string body;
    std::wstring message;  // empty: accepted, the window closes
  };
  const Case cases[] = {
      {"1.1", "body", "<html>最新版本 jtbb[1.1]</html>", L""},
      {"1.2", "body", "<html>jtbb[1.2]</html>", kOutdated},
      {"missing end marker", "body", "<html>jtbb[1.1</html>", kOutdated},
      {"first 1.2, then 1.1", "body", "jtbb[1.2] jtbb[1.1]", kOutdated},
      {"NUL before the marker", "body", std::string("<html>\0jtbb[1.1]</html>", 23), kOutdated},
      {"no server listening", "refuse", "", kFailed},
      {"server never answers", "hang", "", kFailed},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    server.ForgetRequests();
    server.SetBody(c.body);
    FakeUpdateUi ui;
    std::string pageText;
    RunUpdateCheck(
        ui, [&] { return FetchUpdatePage(server.Url(c.mode), TestLimits()); }, kQqNumber, pageText);
    if (c.message.empty()) {
      EXPECT_EQ(ui.AfterAnimation(), (std::vector<std::string>{"animation", "close"}));
    } else {
      EXPECT_EQ(ui.AfterAnimation(), (std::vector<std::string>{"animation", "hide", "message", "wait 5000", "exit 0"}));
      EXPECT_EQ(ui.message, c.message);
      EXPECT_EQ(ui.exitCode, 0);
    }
    if (std::string(c.mode) != "refuse") {
      const auto seen = server.Requests();
      ASSERT_EQ(seen.size(), 1u);
      EXPECT_EQ(seen[0].requestLine, "GET /gxbb.htm HTTP/1.0");
    }
  }
}

// A stand-in for the update window: 303 x 45, key grey, a progress bar and a label as the
// update window's layout has them. It counts the messages of ours it is sent.
struct RealUpdateWindow {
  static LRESULT CALLBACK Proc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
    if (m == WM_APP + 3) ++pokes;
    return DefWindowProcW(w, m, wp, lp);
  }
  static inline int pokes = 0;

  RealUpdateWindow() {
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&icc);
    WNDCLASSW wc{};
    wc.lpfnWndProc = Proc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"UpdateFlowTestWindow";
    wc.hbrBackground = CreateSolidBrush(RGB(236, 236, 236));
    RegisterClassW(&wc);
    window = CreateWindowExW(0, wc.lpszClassName, L"", WS_POPUP, 800, 500, 303, 45, nullptr, nullptr,
                             wc.hInstance, nullptr);
    bar = CreateWindowExW(0, PROGRESS_CLASSW, L"", WS_CHILD | WS_VISIBLE, 25, 30, 176, 5, window, nullptr,
                          wc.hInstance, nullptr);
    SendMessageW(bar, PBM_SETRANGE32, 0, 100);
    label = CreateWindowExW(0, L"STATIC", L"正在检查更新！", WS_CHILD | WS_VISIBLE, 80, 0, 376, 32, window, nullptr,
                            wc.hInstance, nullptr);
    pokes = 0;
  }
  ~RealUpdateWindow() {
    if (IsWindow(window)) DestroyWindow(window);
  }
  HWND window, bar, label;
};

// The window's handles, with an exit that only notes its code (the program's would end the
// process).
UpdateWindowParts PartsOf(const RealUpdateWindow& w, int& exited) {
  UpdateWindowParts parts;
  parts.window = w.window;
  parts.progressBar = w.bar;
  parts.label = w.label;
  parts.exitProgram = [&exited](int code) { exited = code; };
  return parts;
}

std::wstring TextOf(HWND w) {
  wchar_t buf[256] = {};
  GetWindowTextW(w, buf, 256);
  return buf;
}

TEST_F(UpdateFlow, RealWindowIsKeyedFilledAndClosedOnTheCurrentVersion) {
  RealUpdateWindow w;
  server.SetBody("jtbb[1.1]");
  int exited = -1;
  std::string pageText;
  const auto outcome = RunUpdateWindowCheck(PartsOf(w, exited),
                                            pageText, server.Url("body"), kQqNumber, TestLimits());
  EXPECT_EQ(outcome, UpdateOutcome::Current);
  EXPECT_EQ(pageText, "jtbb[1.1]");
  EXPECT_FALSE(IsWindow(w.window)) << "the update window is destroyed";
  EXPECT_EQ(exited, -1);
}

TEST_F(UpdateFlow, RealWindowShowsTheMessageStaysResponsiveAndExitsWithZero) {
  RealUpdateWindow w;
  server.SetBody("jtbb[1.2]");
  int exited = -1;
  std::string pageText;
  // Messages for the window while the check waits are handled, not left queued.
  const UINT_PTR timer = SetTimer(nullptr, 0, 100, [](HWND, UINT, UINT_PTR, DWORD) {
    for (HWND h = FindWindowW(L"UpdateFlowTestWindow", nullptr); h; h = nullptr) PostMessageW(h, WM_APP + 3, 0, 0);
  });
  const auto outcome = RunUpdateWindowCheck(PartsOf(w, exited),
                                            pageText, server.Url("body"), kQqNumber, TestLimits());
  KillTimer(nullptr, timer);
  EXPECT_EQ(outcome, UpdateOutcome::Outdated);
  EXPECT_EQ(exited, 0);
  ASSERT_TRUE(IsWindow(w.window));
  EXPECT_TRUE(IsWindowVisible(w.window));
  EXPECT_EQ(GetWindowLongW(w.window, GWL_EXSTYLE), WS_EX_LAYERED);
  COLORREF key = 0;
  BYTE alpha = 0;
  DWORD flags = 0;
  ASSERT_TRUE(GetLayeredWindowAttributes(w.window, &key, &alpha, &flags));
  EXPECT_EQ(key, RGB(236, 236, 236));
  EXPECT_EQ(flags & LWA_COLORKEY, static_cast<DWORD>(LWA_COLORKEY));
  EXPECT_EQ(SendMessageW(w.bar, PBM_GETPOS, 0, 0), 100);
  EXPECT_FALSE(IsWindowVisible(w.bar));
  EXPECT_EQ(TextOf(w.label), kOutdated);
  EXPECT_GT(RealUpdateWindow::pokes, 20) << "messages were handled during the animation and the message time";
}

}  // namespace
