// A test that drives the real program from this process: it starts with no settings file (so
// the key lists come up at their defaults) and closes through its main window at the end,
// ending with exit code 0.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "app/control_ids.h"
#include "tests/support/driver.h"

namespace testsupport {

inline const wchar_t* const kSettingsPath = L"D:\\Tarnwick\\截图程序.ini";

class ProgramTest : public ::testing::Test {
 protected:
  void SetUp() override {
    CreateDirectoryW(L"D:\\Tarnwick", nullptr);
    DeleteFileW(kSettingsPath);
    StartProgram();
  }
  void TearDown() override { CloseProgram(); }

  void StartProgram() {
    ASSERT_TRUE(driver::Launch(program_));
    main_ = driver::WaitMainWindowIn(program_);
    ASSERT_NE(main_, nullptr) << "the main window did not come in";
  }
  // Closes the program if it still runs; either way it must have ended with exit code 0.
  void CloseProgram() {
    if (!program_.process) return;
    if (program_.Running()) EXPECT_TRUE(driver::Close(program_, main_));
    else program_.WaitExit();
    EXPECT_EQ(program_.exitCode, 0u);
  }

  HWND Control(int id) { return driver::FindControl(main_, id); }
  std::wstring Status() { return driver::ControlText(main_, main_ids::透明标签1); }
  std::wstring CaptureStatus() { return driver::ControlText(main_, main_ids::透明标签2); }

  driver::Program program_;
  HWND main_ = nullptr;
};

}  // namespace testsupport
