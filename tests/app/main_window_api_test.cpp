// What the rest of the program uses of the main window: the status labels, set from any
// thread, and the selections of the two key lists. The window is loaded in this process.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "app/control_ids.h"
#include "app/globals.h"
#include "app/main_window.h"
#include "toolkit/toolkit.h"

namespace {

bool WaitPumping(const std::function<bool()>& cond) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (!cond()) {
    if (std::chrono::steady_clock::now() >= deadline) return false;
    toolkit::WaitWhileProcessingEvents(5);
  }
  return true;
}

TEST(MainWindowApi, StatusLabelsFromWorkerThreadsAndListSelections) {
  ASSERT_TRUE(toolkit::Start());
  app::CreateGlobals();
  ASSERT_TRUE(app::LoadMainWindow());
  toolkit::Window& w = app::MainWindow();
  EXPECT_EQ(app::AnimationStep, 101) << "the entrance ran its 100 passes";
  EXPECT_EQ(app::HoverFlag, 0);

  std::thread worker([] {
    app::SetStatusText(app::StatusLabel::Status, L"状态：正在选择截图键");
    app::SetStatusText(app::StatusLabel::CaptureStatus, L"截图状态：已截图");
  });
  worker.join();
  EXPECT_TRUE(WaitPumping([&] {
    return w.Text(main_ids::透明标签1) == L"状态：正在选择截图键" &&
           w.Text(main_ids::透明标签2) == L"截图状态：已截图";
  }));

  EXPECT_EQ(app::CaptureKeySelection(), 1);
  EXPECT_EQ(app::UndoKeySelection(), 2);
  app::SetCaptureKeySelection(16);
  app::SetUndoKeySelection(0);
  EXPECT_EQ(app::CaptureKeySelection(), 16);
  EXPECT_EQ(app::UndoKeySelection(), 0);
  app::SetCaptureKeySelection(-1);
  EXPECT_EQ(app::CaptureKeySelection(), -1);
}

}  // namespace
