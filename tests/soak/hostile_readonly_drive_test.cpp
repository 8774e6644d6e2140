// The real tarnwick.exe on a drive D: that cannot be written at all: it starts, its main
// window comes in, the key choice on the drive is restored, a key set works for the run, the
// status line says the choice could not be saved, and the drive keeps every byte it held.
//
// Run by readonly_drive.sh, one case at a time, with D: mapped to a folder of its own:
//   READONLY_DRIVE_STEP=stock  writes the case's files onto D: (still writable);
//   READONLY_DRIVE_STEP=check  runs the program once the script has made the folder immutable.
// READONLY_DRIVE_UNAVAILABLE carries the reason when the folder could not be made immutable.
#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "app/control_ids.h"
#include "tests/support/driver.h"

namespace {

using namespace std::chrono_literals;
using namespace main_ids;

const std::wstring kSaved = L"状态：成功设置热键";
const std::wstring kNotSaved = L"状态：已设热键，保存失败";

struct StockFile {
  const wchar_t* path;
  std::string bytes;
};

struct DriveCase {
  const char* name;
  std::vector<StockFile> stock;  // on D: before it is made read-only
  int capture, undo;             // the selections the start must show
  int chooseCapture;             // the capture key the user picks before "设置热键" (-1: keeps it)
  WORD key;                      // its virtual-key code
};

// The program's own shortcut layout, as a start on a writable drive leaves it.
const std::string kShortcut =
    "[DEFAULT]\r\nBASEURL=http://www.tarnwick.com/\r\n[InternetShortcut]\r\nURL=http://www.tarnwick.com/\r\n";

const DriveCase kCases[] = {
    {"empty", {}, 1, 2, -1, VK_F2},
    {"stocked",
     {{L"D:\\Tarnwick\\截图程序.ini", "5\r\n7"}, {L"D:\\Tarnwick\\Tarnwick官网.url", kShortcut}},
     5, 7, 1, VK_F2},
};

std::string Step() {
  const char* step = std::getenv("READONLY_DRIVE_STEP");
  return step ? step : "";
}

bool WriteBytes(const std::wstring& path, const std::string& bytes) {
  platform::UniqueHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
  DWORD written = 0;
  return file && WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
         written == bytes.size();
}

// Every entry under a folder: folders as "<folder>", files with their bytes.
void Snapshot(const std::wstring& folder, std::map<std::wstring, std::string>& out) {
  WIN32_FIND_DATAW found;
  platform::UniqueFindHandle find(FindFirstFileW((folder + L"\\*").c_str(), &found));
  if (!find) return;
  do {
    const std::wstring name = found.cFileName;
    if (name == L"." || name == L"..") continue;
    const std::wstring path = folder + L"\\" + name;
    if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      out[path] = "<folder>";
      Snapshot(path, out);
    } else {
      out[path] = driver::ReadFileBytes(path);
    }
  } while (FindNextFileW(find.get(), &found));
}

std::map<std::wstring, std::string> DriveD() {
  std::map<std::wstring, std::string> entries;
  Snapshot(L"D:", entries);
  return entries;
}

std::string Narrow(const std::wstring& text) {
  std::string out(text.size() * 4 + 1, '\0');
  const int n = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), out.data(),
                                    static_cast<int>(out.size()), nullptr, nullptr);
  out.resize(n > 0 ? n : 0);
  return out;
}

std::string Describe(const std::map<std::wstring, std::string>& entries) {
  std::string text;
  for (const auto& [path, bytes] : entries) text += "  " + Narrow(path) + " (" + std::to_string(bytes.size()) + " bytes)\n";
  return text.empty() ? "  (nothing)\n" : text;
}

// Whether anything at all can be written on D: (a new folder, a new file, an existing file).
bool DriveTakesWrites() {
  bool took = false;
  if (CreateDirectoryW(L"D:\\written-by-the-test", nullptr)) {
    RemoveDirectoryW(L"D:\\written-by-the-test");
    took = true;
  }
  platform::UniqueHandle file(CreateFileW(L"D:\\written-by-the-test.txt", GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));
  if (file) {
    file.reset();
    DeleteFileW(L"D:\\written-by-the-test.txt");
    took = true;
  }
  for (const auto& [path, bytes] : DriveD()) {
    if (bytes == "<folder>") continue;
    platform::UniqueHandle existing(CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    if (existing) took = true;
  }
  return took;
}

class ReadOnlyDrive : public ::testing::TestWithParam<DriveCase> {
 protected:
  void TearDown() override {
    if (program_.Running()) {
      PostMessageW(main_, WM_CLOSE, 0, 0);
      EXPECT_TRUE(program_.WaitExit(15s));
    }
  }

  HWND Control(int id) { return driver::FindControl(main_, id); }
  std::wstring Status() { return driver::Text(Control(透明标签1)); }
  std::wstring CaptureStatus() { return driver::Text(Control(透明标签2)); }
  int Selection(int listId) { return static_cast<int>(SendMessageW(Control(listId), LB_GETCURSEL, 0, 0)); }

  void ClickControl(int id) { driver::ClickControl(main_, id); }

  // Picks an item with the mouse, as a user would.
  void ChooseKey(int listId, int index) {
    ASSERT_TRUE(driver::ChooseListItem(Control(listId), index)) << "item " << index;
  }

  // What the test saw when a step was not answered: the two labels and where the pointer is,
  // and a picture of the screen while the program is still there.
  std::string Where() {
    if (const char* bed = std::getenv("WINEBED_DIR")) {
      const std::string shot = std::string(bed) + "/failures/readonly-drive-" + GetParam().name + ".bmp";
      CreateDirectoryW(driver::WinePath(std::string(bed) + "/failures").c_str(), nullptr);
      driver::SaveScreenshot(driver::WinePath(shot));
    }
    POINT p{};
    GetCursorPos(&p);
    HWND under = WindowFromPoint(p);
    return "status '" + Narrow(Status()) + "', capture status '" + Narrow(CaptureStatus()) + "', pointer at " +
           std::to_string(p.x) + "," + std::to_string(p.y) + " over control " + std::to_string(GetDlgCtrlID(under));
  }

  bool Press(WORD vk, const std::wstring& answer) {
    const std::wstring before = CaptureStatus();
    return driver::PressUntil(vk, [&] { return CaptureStatus() == answer; }, [&] { return CaptureStatus() == before; });
  }

  driver::Program program_;
  HWND main_ = nullptr;
};

TEST_P(ReadOnlyDrive, StartsKeepsItsKeyForTheRunAndLeavesTheDriveAsItWas) {
  const DriveCase& c = GetParam();
  const std::string step = Step();
  if (step == "stock") {
    for (const StockFile& f : c.stock) {
      const std::wstring path = f.path;
      CreateDirectoryW(path.substr(0, path.rfind(L'\\')).c_str(), nullptr);
      ASSERT_TRUE(WriteBytes(path, f.bytes)) << Narrow(path);
    }
    return;
  }
  if (step != "check") GTEST_SKIP() << "run through tests/soak/readonly_drive.sh, which makes drive D: read-only";
  if (const char* why = std::getenv("READONLY_DRIVE_UNAVAILABLE")) GTEST_SKIP() << "drive D: cannot be made read-only: " << why;

  std::map<std::wstring, std::string> stocked;
  for (const StockFile& f : c.stock) {
    const std::wstring path = f.path;
    stocked[path.substr(0, path.rfind(L'\\'))] = "<folder>";
    stocked[path] = f.bytes;
  }
  const auto before = DriveD();
  ASSERT_TRUE(before == stocked) << "the drive is not as stocked:\n" << Describe(before);
  ASSERT_FALSE(DriveTakesWrites()) << "drive D: still takes writes: it is not read-only";

  // The start goes on past everything the upkeep cannot write, and the main window comes in.
  ASSERT_TRUE(driver::Launch(program_));
  ASSERT_TRUE(driver::WaitFor([&] {
    main_ = driver::FindMainWindow(program_.pid);
    return !program_.Running() || (main_ && driver::Alpha(main_) == 240);
  }, 60s)) << "the main window did not come in";
  ASSERT_TRUE(program_.Running()) << "the program ended at start, exit code " << (program_.WaitExit(1s), program_.exitCode);
  EXPECT_TRUE(driver::WaitFor([&] { return Selection(列表框1) == c.capture && Selection(列表框2) == c.undo; }, 5s))
      << "restored " << Selection(列表框1) << " and " << Selection(列表框2);
  EXPECT_EQ(Status(), L"状态：未操作");

  // Setting a key: it works for this run, and the user is told it was not kept.
  if (c.chooseCapture >= 0) ChooseKey(列表框1, c.chooseCapture);
  ASSERT_FALSE(HasFatalFailure());
  ClickControl(超级按钮4);
  ASSERT_TRUE(driver::WaitFor([&] { return Status() == kNotSaved || Status() == kSaved; }, 5s)) << Where();
  EXPECT_EQ(Status(), kNotSaved);
  EXPECT_EQ(FindWindowW(L"#32770", nullptr), nullptr) << "a message box came up";

  const DWORD sequence = GetClipboardSequenceNumber();
  EXPECT_TRUE(Press(c.key, L"截图状态：已截图")) << "the key did not capture";
  EXPECT_NE(GetClipboardSequenceNumber(), sequence) << "nothing reached the clipboard";
  EXPECT_TRUE(Press(c.key, L"截图状态：已粘贴")) << "the key did not paste";
  EXPECT_TRUE(Press(c.key, L"截图状态：已截图")) << "the key did not capture again";

  // Setting it once more changes nothing on the drive either.
  ClickControl(超级按钮5);
  ASSERT_TRUE(driver::WaitFor([&] { return Status() == L"状态：已取消热键"; }, 5s)) << Where();
  ClickControl(超级按钮4);
  EXPECT_TRUE(driver::WaitFor([&] { return Status() == kNotSaved; }, 5s)) << "status after setting again: " << Where();

  PostMessageW(main_, WM_CLOSE, 0, 0);
  ASSERT_TRUE(program_.WaitExit(15s));
  EXPECT_EQ(program_.exitCode, 0u);

  const auto after = DriveD();
  EXPECT_TRUE(after == before) << "the drive changed.\nbefore:\n" << Describe(before) << "after:\n" << Describe(after);
}

INSTANTIATE_TEST_SUITE_P(Drives, ReadOnlyDrive, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<DriveCase>& info) { return std::string(info.param.name); });

}  // namespace
