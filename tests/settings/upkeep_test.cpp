// The start-up upkeep on the test bed: real folders and files on the mapped drive D:, real
// shell links in the prefix's Start menu.
#include "tests/settings/upkeep_test.h"

#include <gtest/gtest.h>

#include "settings/settings_file.h"

using namespace settings;
using namespace upkeeptest;

namespace {

const std::wstring kShortcutFile = std::wstring(kWebShortcutPath) + L".url";
const std::wstring kSite = L"http://www.tarnwick.com/";

class Upkeep : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(GetDriveTypeW(L"D:\\"), static_cast<UINT>(DRIVE_FIXED)) << "the test bed maps drive D:";
    RemoveProgramFolders();
  }
  void TearDown() override { RemoveProgramFolders(); }
};

TEST_F(Upkeep, FolderExistsComparesTheExactNameOfFoldersOnly) {
  ASSERT_TRUE(CreateDirectoryW(L"D:\\Tarnwick", nullptr));
  ASSERT_TRUE(CreateDirectoryW(L"D:\\Tarnwick\\截图", nullptr));
  WriteAllBytes(L"D:\\Plain", "x");
  struct Case {
    const wchar_t* path;
    bool exists;
  };
  const Case cases[] = {
      {L"D:\\Tarnwick", true},          {L"D:\\Tarnwick\\", true},       {L"D:\\tarnwick", false},
      {L"D:\\TARNWICK", false},         {L"D:\\Tarnwick\\截图", true},   {L"D:\\Tarnwick\\截", false},
      {L"D:\\Plain", false},            {L"D:\\Missing", false},         {L"D:\\Missing\\Tarnwick", false},
      {L"D:\\Tarn", false},             {L"D:\\Tarnwick2", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.path, c.path + wcslen(c.path)).c_str());
    EXPECT_EQ(FolderExists(c.path), c.exists);
  }
}

TEST_F(Upkeep, WebShortcutHoldsExactlyTheTwoSectionsAndIsRewrittenWhenEdited) {
  ASSERT_TRUE(CreateFolder(kDataFolder));
  const std::vector<std::string> expected = {"[DEFAULT]", "DEFAULT/BASEURL=http://www.tarnwick.com/",
                                             "[InternetShortcut]", "InternetShortcut/URL=http://www.tarnwick.com/"};
  EXPECT_TRUE(WriteWebShortcut(kWebShortcutPath, kSite));
  EXPECT_EQ(ProfileEntries(ReadAllBytes(kShortcutFile)), expected);

  // Edited by the user: other values, other sections, other keys. Written again from nothing.
  WriteAllBytes(kShortcutFile,
                "[InternetShortcut]\r\nURL=http://elsewhere.example/\r\nIconIndex=3\r\n[Extra]\r\nA=B\r\n"
                "[DEFAULT]\r\nBASEURL=http://elsewhere.example/\r\nMore=1\r\n");
  EXPECT_TRUE(WriteWebShortcut(kWebShortcutPath, kSite));
  EXPECT_EQ(ProfileEntries(ReadAllBytes(kShortcutFile)), expected);
}

TEST_F(Upkeep, WebShortcutAddsUrlOnlyWhenMissingAndWritesHotkeyAndIconWhenGiven) {
  ASSERT_TRUE(CreateFolder(kDataFolder));
  EXPECT_TRUE(WriteWebShortcut(L"D:\\Tarnwick\\Site.URL", kSite, L"C:\\icon.ico", 1601));
  EXPECT_FALSE(Exists(L"D:\\Tarnwick\\Site.URL.url"));
  EXPECT_EQ(ProfileEntries(ReadAllBytes(L"D:\\Tarnwick\\Site.URL")),
            (std::vector<std::string>{"[DEFAULT]", "DEFAULT/BASEURL=http://www.tarnwick.com/", "[InternetShortcut]",
                                      "InternetShortcut/URL=http://www.tarnwick.com/", "InternetShortcut/Hotkey=1601",
                                      "InternetShortcut/IconFile=C:\\icon.ico"}));
  // Without the data folder nothing is written, silently.
  EXPECT_FALSE(WriteWebShortcut(L"D:\\NoSuchFolder\\Site", kSite));
  EXPECT_FALSE(Exists(L"D:\\NoSuchFolder\\Site.url"));
}

TEST_F(Upkeep, ProgramGroupAndItemInTheStartMenu) {
  const std::wstring exe = ProgramExecutablePath();
  const std::wstring group = ShellFolderPath(kProgramsFolder) + L"\\" + kProgramGroupName;
  EXPECT_TRUE(CreateProgramGroup(kProgramGroupName));
  EXPECT_TRUE(FolderExists(group));
  EXPECT_FALSE(CreateProgramGroup(kProgramGroupName)) << "it exists already";

  EXPECT_TRUE(CreateProgramItem(kProgramGroupName, kProgramItemName, exe));
  ASSERT_TRUE(Exists(ItemPath(kProgramsFolder)));
  EXPECT_EQ(LinkTarget(ItemPath(kProgramsFolder)), exe);
  // Saved again over the old one.
  EXPECT_TRUE(CreateProgramItem(kProgramGroupName, kProgramItemName, exe));
  EXPECT_EQ(LinkTarget(ItemPath(kProgramsFolder)), exe);

  // A target that does not exist gives no shortcut.
  DeleteFileW(ItemPath(kProgramsFolder).c_str());
  EXPECT_FALSE(CreateProgramItem(kProgramGroupName, kProgramItemName, L"C:\\no\\such.exe"));
  EXPECT_FALSE(Exists(ItemPath(kProgramsFolder)));
}

TEST_F(Upkeep, TheStartMenuItemIsWrittenOnlyWhereATarnwickFolderExistsThere) {
  const std::wstring exe = ProgramExecutablePath();
  // No "Tarnwick" directly in the Start menu: nothing is written, and nothing is reported.
  EXPECT_TRUE(CreateProgramItem(kProgramGroupName, kProgramItemName, exe, kStartMenuFolder));
  EXPECT_FALSE(Exists(ItemPath(kStartMenuFolder)));

  ASSERT_TRUE(CreateDirectoryW((ShellFolderPath(kStartMenuFolder) + L"\\" + kProgramGroupName).c_str(), nullptr));
  EXPECT_TRUE(CreateProgramItem(kProgramGroupName, kProgramItemName, exe, kStartMenuFolder));
  ASSERT_TRUE(Exists(ItemPath(kStartMenuFolder)));
  EXPECT_EQ(LinkTarget(ItemPath(kStartMenuFolder)), exe);
}

TEST_F(Upkeep, TheStartUpSequenceOnAFreshDriveAndAgain) {
  const std::wstring exe = ProgramExecutablePath();
  for (int start = 1; start <= 2; ++start) {
    SCOPED_TRACE(start);
    RunStartupUpkeep(kSite, exe);
    EXPECT_TRUE(FolderExists(kDataFolder));
    EXPECT_EQ(ProfileEntries(ReadAllBytes(kShortcutFile)).size(), 4u);
    EXPECT_EQ(LinkTarget(ItemPath(kProgramsFolder)), exe);
    EXPECT_FALSE(Exists(ItemPath(kStartMenuFolder)));
  }
}

TEST_F(Upkeep, DebugPrivilegeIsEnabledInTheOwnToken) {
  EXPECT_TRUE(EnableDebugPrivilege());
  HANDLE raw = nullptr;
  ASSERT_TRUE(OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &raw));
  platform::UniqueHandle token(raw);
  LUID debug{};
  ASSERT_TRUE(LookupPrivilegeValueW(nullptr, SE_DEBUG_NAME, &debug));
  PRIVILEGE_SET wanted{1, PRIVILEGE_SET_ALL_NECESSARY, {{debug, 0}}};
  BOOL held = FALSE;
  ASSERT_TRUE(PrivilegeCheck(token.get(), &wanted, &held));
  EXPECT_TRUE(held);
}

}  // namespace
