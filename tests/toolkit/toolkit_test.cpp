// The toolkit's services in this process: label text from other threads, the event
// waits, PNG decoding, the exit routine.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/driver.h"
#include "toolkit/toolkit.h"

namespace {

using toolkit::ControlLayout;
using toolkit::Kind;

const ControlLayout kControls[] = {
    {.id = 10, .name = L"图片框", .kind = Kind::PictureBox, .parent = 0, .x = 0, .y = 0, .width = 200,
     .height = 60, .background = RGB(0, 118, 236)},
    {.id = 11, .name = L"标签", .kind = Kind::TransparentLabel, .parent = 10, .x = 10, .y = 10, .width = 150,
     .height = 20, .text = L"开始", .textColour = RGB(255, 255, 255)},
};
const toolkit::WindowLayout kLayout{.caption = L"toolkit test", .width = 200, .height = 60, .controls = kControls};

class Toolkit : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { toolkit::Start(); }
};

TEST_F(Toolkit, LabelTextFromOtherThreadsArrivesOnTheWindowsThread) {
  toolkit::Window window(kLayout);
  ASSERT_TRUE(window.Create());
  ShowWindow(window.hwnd(), SW_SHOWNA);
  HWND label = window.Control(11);
  const DWORD uiThread = GetCurrentThreadId();

  // Several workers at once; each one's last text must land, in the order each posted.
  std::vector<std::thread> workers;
  for (int t = 0; t < 4; ++t) {
    workers.emplace_back([label, t] {
      for (int i = 0; i < 50; ++i) {
        toolkit::SetLabelTextFromAnyThread(label, L"线程" + std::to_wstring(t) + L"：" + std::to_wstring(i));
      }
    });
  }
  for (auto& w : workers) w.join();
  // Nothing has changed yet: only this thread sets window texts.
  EXPECT_EQ(window.Text(11), L"开始");
  toolkit::ProcessPendingEvents();
  const std::wstring last = window.Text(11);
  EXPECT_TRUE(last.size() > 5 && last.substr(last.size() - 3) == L"：49") << "got " << last.size();

  // On the label's own thread the text is set at once.
  toolkit::SetLabelTextFromAnyThread(label, L"截图状态：已截图");
  EXPECT_EQ(window.Text(11), L"截图状态：已截图");
  EXPECT_EQ(GetCurrentThreadId(), uiThread);
}

TEST_F(Toolkit, WaitWhileProcessingEventsDispatchesAndKeepsTime) {
  toolkit::Window window(kLayout);
  ASSERT_TRUE(window.Create());
  HWND label = window.Control(11);
  std::thread late([label] {
    Sleep(30);
    toolkit::SetLabelTextFromAnyThread(label, L"到了");
  });
  const ULONGLONG start = GetTickCount64();
  toolkit::WaitWhileProcessingEvents(200);
  const ULONGLONG waited = GetTickCount64() - start;
  late.join();
  EXPECT_EQ(window.Text(11), L"到了") << "dispatched while waiting";
  EXPECT_GE(waited, 200u);
}

TEST_F(Toolkit, PngDecodesToPremultipliedPixels) {
  const char* dir = std::getenv("TARNWICK_RESOURCES");
  ASSERT_NE(dir, nullptr);
  const auto read = [&](const char* name) {
    std::ifstream in(std::string(dir) + "/" + name, std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
  };
  struct Case {
    const char* file;
    int width, height;
    int x, y;
    std::uint32_t pixel;  // premultiplied 0xAARRGGBB
  };
  const Case cases[] = {
      {"wordmark.png", 664, 169, 0, 0, 0x00000000},         // transparent ground
      {"minimise.png", 28, 20, 12, 10, 0xFFFFFFFF},         // the white bar
      {"minimise_hover.png", 28, 20, 1, 1, 0xFF2DBAEE},     // light blue ground
      {"close_hover.png", 39, 20, 1, 1, 0xFFF05632},        // red ground
      {"close.png", 39, 20, 1, 1, 0x00000000},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    const auto bytes = read(c.file);
    ASSERT_FALSE(bytes.empty());
    auto picture = toolkit::Picture::FromPng(bytes);
    ASSERT_NE(picture, nullptr);
    EXPECT_EQ(picture->width(), c.width);
    EXPECT_EQ(picture->height(), c.height);
    EXPECT_EQ(picture->PixelAt(c.x, c.y), c.pixel);
  }
  // Every partially covered pixel of the word mark is premultiplied: no channel above alpha.
  auto mark = toolkit::Picture::FromPng(read("wordmark.png"));
  int partial = 0;
  for (int y = 0; y < mark->height(); ++y) {
    for (int x = 0; x < mark->width(); ++x) {
      const std::uint32_t p = mark->PixelAt(x, y);
      const unsigned a = p >> 24;
      if (a == 0 || a == 255) continue;
      ++partial;
      EXPECT_LE(p & 0xFF, a);
    }
  }
  EXPECT_GT(partial, 0);

  // Not a PNG, a cut-off PNG, nothing: no picture.
  auto bytes = read("close.png");
  const std::vector<std::uint8_t> cut(bytes.begin(), bytes.begin() + bytes.size() / 2);
  const std::vector<std::uint8_t> junk(100, 0x42);
  EXPECT_EQ(toolkit::Picture::FromPng(cut), nullptr);
  EXPECT_EQ(toolkit::Picture::FromPng(junk), nullptr);
  EXPECT_EQ(toolkit::Picture::FromPng({}), nullptr);
}

TEST_F(Toolkit, SetWindowAlphaMakesTheWindowLayeredAlone) {
  toolkit::Window window(kLayout);
  ASSERT_TRUE(window.Create());
  struct Case {
    int asked;
    BYTE got;
  };
  for (const Case c : {Case{120, 120}, Case{0, 0}, Case{255, 255}, Case{-1, 255}, Case{256, 255}, Case{240, 240}}) {
    SCOPED_TRACE(c.asked);
    EXPECT_TRUE(toolkit::SetWindowAlpha(window.hwnd(), c.asked));
    EXPECT_EQ(driver::Alpha(window.hwnd()), c.got);
    EXPECT_EQ(GetWindowLongPtrW(window.hwnd(), GWL_EXSTYLE), WS_EX_LAYERED);
  }
}

// The exit routine runs exactly once whichever way the program ends in order.
TEST_F(Toolkit, ExitRoutineRunsOnceOnEveryOrderlyEnd) {
  const char* probe = std::getenv("EXIT_PROBE");
  ASSERT_NE(probe, nullptr);
  struct Case {
    const wchar_t* how;
    DWORD code;
  };
  for (const Case c : {Case{L"exit", 7}, Case{L"return", 5}, Case{L"quit", 4}, Case{L"close", 0}}) {
    SCOPED_TRACE(testing::Message() << c.code);
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    const std::wstring marks = std::wstring(temp) + L"exit_probe_" + c.how + L".txt";
    DeleteFileW(marks.c_str());
    const std::wstring exe = driver::WinePath(probe);
    std::wstring line = L"\"" + exe + L"\" " + c.how + L" \"" + marks + L"\"";
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    ASSERT_TRUE(CreateProcessW(exe.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi));
    CloseHandle(pi.hThread);
    ASSERT_EQ(WaitForSingleObject(pi.hProcess, 15000), WAIT_OBJECT_0);
    DWORD code = 99;
    GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hProcess);
    EXPECT_EQ(code, c.code);
    std::ifstream in(marks.c_str());
    const std::string text((std::istreambuf_iterator<char>(in)), {});
    EXPECT_EQ(text, "ran\n");
    DeleteFileW(marks.c_str());
  }
}

}  // namespace
