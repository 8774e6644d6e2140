// The real tarnwick.exe started over hostile settings files and without a drive D:: it comes
// up with the selections the reading rules give, leaves alone what it cannot write, and still
// sets its key and captures.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <random>
#include <string>

#include "app/control_ids.h"
#include "tests/support/driver.h"
#include "tests/support/program_test.h"

namespace {

using namespace std::chrono_literals;
using namespace main_ids;
using testsupport::kSettingsPath;

const wchar_t* const kFolder = L"D:\\Tarnwick";
const std::wstring kSaved = driver::kStatusSaved;
const std::wstring kNotSaved = driver::kStatusNotSaved;

bool WriteFileBytes(const wchar_t* path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out);
}

// Bytes with no digit, sign, white space, NUL, line end or full-width form in them (letters
// and two-byte characters outside the full-width block): nothing the reader can take a
// number from, so both lists read 0.
std::string Garbage(size_t size) {
  std::string bytes(size, 'x');
  std::mt19937 random(8);
  for (size_t i = 0; i < size; ++i) {
    const unsigned r = random() % 100;
    bytes[i] = r < 40 ? static_cast<char>('a' + r % 26) : static_cast<char>(0xB0 + r % 0x40);
  }
  return bytes;
}

struct Case {
  const char* name;
  std::function<void()> prepare;   // makes the settings entry before the start
  int capture, undo;               // selections the program must come up with
  bool unchangedAfterSet;          // the entry keeps its bytes when the key is set
};

// Started by each case itself, over the settings entry the case made.
class HostileSettings : public testsupport::ProgramTest {
 protected:
  void SetUp() override {}

  int Selection(int listId) { return static_cast<int>(SendMessageW(Control(listId), LB_GETCURSEL, 0, 0)); }
  void ChooseKey(int listId, int index) {
    ASSERT_TRUE(driver::ChooseListItem(Control(listId), index)) << "item " << index;
  }

  // Sets F2 as the capture key (F1 stays for undo when both lists read F1) and captures.
  std::wstring Status() { return driver::Text(Control(透明标签1)); }

  void SetKeyAndCapture() {
    if (Selection(列表框1) != 1) ChooseKey(列表框1, 1);
    if (Selection(列表框2) == 1) ChooseKey(列表框2, 0);
    driver::ClickControl(main_, 超级按钮4);
    ASSERT_TRUE(driver::WaitFor([&] { return Status() == kSaved || Status() == kNotSaved; }, 5s));
    EXPECT_TRUE(driver::PressUntilText(VK_F2, main_, 透明标签2, L"截图状态：已截图"));
  }

};

TEST_F(HostileSettings, StartsWithTheSelectionsTheEntryGivesAndKeepsWorking) {
  const std::string garbage = Garbage(100u << 20);
  const Case cases[] = {
      {"no file", [] {}, 1, 2, false},
      {"a folder", [] { ASSERT_TRUE(CreateDirectoryW(kSettingsPath, nullptr)); }, 0, 0, true},
      {"empty", [] { ASSERT_TRUE(WriteFileBytes(kSettingsPath, "")); }, 0, 0, false},
      {"100 MiB of garbage", [&] { ASSERT_TRUE(WriteFileBytes(kSettingsPath, garbage)); }, 0, 0, false},
      {"NULs", [] { ASSERT_TRUE(WriteFileBytes(kSettingsPath, std::string(1 << 20, '\0'))); }, 0, 0, false},
      {"NULs after a good start", [] { ASSERT_TRUE(WriteFileBytes(kSettingsPath, "3\r\n5" + std::string(4096, '\0'))); },
       3, 5, false},
      {"read-only", [] {
         // A third line, which a write of the same keys would not keep.
         ASSERT_TRUE(WriteFileBytes(kSettingsPath, "1\r\n4\r\nkept"));
         ASSERT_TRUE(SetFileAttributesW(kSettingsPath, FILE_ATTRIBUTE_READONLY));
       }, 1, 4, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    CreateDirectoryW(kFolder, nullptr);
    SetFileAttributesW(kSettingsPath, FILE_ATTRIBUTE_NORMAL);
    DeleteFileW(kSettingsPath);
    RemoveDirectoryW(kSettingsPath);
    c.prepare();
    const DWORD attributes = GetFileAttributesW(kSettingsPath);
    const std::string bytes = driver::ReadFileBytes(kSettingsPath);

    StartProgram();
    if (HasFatalFailure()) return;
    EXPECT_EQ(Selection(列表框1), c.capture);
    EXPECT_EQ(Selection(列表框2), c.undo);
    SetKeyAndCapture();
    if (HasFatalFailure()) return;
    if (c.unchangedAfterSet) {
      EXPECT_EQ(Status(), kNotSaved);
      EXPECT_EQ(GetFileAttributesW(kSettingsPath), attributes);
      EXPECT_TRUE(driver::ReadFileBytes(kSettingsPath) == bytes) << "the entry was changed";
    } else {
      EXPECT_EQ(Status(), kSaved);
      // What was set is what the file now says.
      char expected[16];
      snprintf(expected, sizeof expected, "%d\r\n%d", Selection(列表框1), Selection(列表框2));
      EXPECT_EQ(driver::ReadFileBytes(kSettingsPath), expected);
    }
    CloseProgram();
    program_.process.reset();
    program_.pid = 0;
    program_.exitCode = STILL_ACTIVE;
  }
  SetFileAttributesW(kSettingsPath, FILE_ATTRIBUTE_NORMAL);
}

}  // namespace
