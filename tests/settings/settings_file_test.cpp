// The settings file through the real Windows file API on the test bed's drive D:.
#include "settings/settings_file.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/unique.h"

using namespace settings;

namespace {

std::string ReadAllBytes(const wchar_t* path) {
  platform::UniqueHandle file(
      CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  std::string bytes;
  if (!file) return bytes;
  char chunk[4096];
  DWORD got = 0;
  while (ReadFile(file.get(), chunk, sizeof chunk, &got, nullptr) && got > 0) bytes.append(chunk, got);
  return bytes;
}

void WriteAllBytes(const wchar_t* path, const std::string& bytes) {
  platform::UniqueHandle file(
      CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  ASSERT_TRUE(file) << "cannot create the fixture file";
  DWORD written = 0;
  ASSERT_TRUE(WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr));
}

class SettingsFile : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(GetDriveTypeW(L"D:\\"), static_cast<UINT>(DRIVE_FIXED)) << "the test bed maps drive D:";
    CreateDirectoryW(kDataFolder, nullptr);
  }
};

TEST_F(SettingsFile, WritesFiveAndSeven) {
  ASSERT_TRUE(WriteSettingsFile(5, 7));
  EXPECT_EQ(ReadAllBytes(kSettingsPath), "5\r\n7");
  const auto read = ReadSettingsFile();
  ASSERT_TRUE(read.has_value());
  EXPECT_EQ(*read, (KeySelections{5, 7}));
}

TEST_F(SettingsFile, RewritingCutsTheOldContent) {
  WriteAllBytes(kSettingsPath, std::string(1000, 'x'));
  ASSERT_TRUE(WriteSettingsFile(-1, 16));
  EXPECT_EQ(ReadAllBytes(kSettingsPath), "-1\r\n16");
}

TEST_F(SettingsFile, ReadsWhatTheFileHolds) {
  struct Case {
    std::string bytes;
    KeySelections expected;
  };
  const std::vector<Case> cases = {
      {"20\r\n3", {16, 3}}, {"-4\r\n1", {-1, 1}}, {"\xA3\xB2", {2, 0}}, {"1\r\n2\r\n", {1, 2}},
      {"7", {7, 0}},        {"", {0, 0}},         {"3\n4", {3, 0}},
  };
  for (const auto& c : cases) {
    WriteAllBytes(kSettingsPath, c.bytes);
    const auto read = ReadSettingsFile();
    ASSERT_TRUE(read.has_value());
    EXPECT_EQ(*read, c.expected) << c.bytes;
  }
}

TEST_F(SettingsFile, MissingFileChangesNothing) { EXPECT_FALSE(ReadSettingsFile().has_value()); }

TEST_F(SettingsFile, FolderOfThatNameReadsAsEmpty) {
  ASSERT_TRUE(CreateDirectoryW(kSettingsPath, nullptr));
  const auto read = ReadSettingsFile();
  ASSERT_TRUE(read.has_value());
  EXPECT_EQ(*read, (KeySelections{0, 0}));
  EXPECT_FALSE(WriteSettingsFile(1, 2));  // and writing over it fails without harm
  EXPECT_EQ(GetFileAttributesW(kSettingsPath) & FILE_ATTRIBUTE_DIRECTORY, static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY));
}

TEST_F(SettingsFile, WriteIntoMissingFolderFailsQuietly) {
  RemoveDirectoryW(kDataFolder);
  EXPECT_FALSE(WriteSettingsFile(1, 2));
  EXPECT_EQ(GetFileAttributesW(kDataFolder), INVALID_FILE_ATTRIBUTES);
}

TEST_F(SettingsFile, HugeFileReadsOnlyItsFirstLines) {
  std::string big = "9\r\n4\r\n";
  big.append(8 << 20, 'z');
  WriteAllBytes(kSettingsPath, big);
  const auto read = ReadSettingsFile();
  ASSERT_TRUE(read.has_value());
  EXPECT_EQ(*read, (KeySelections{9, 4}));
}

TEST_F(SettingsFile, ReadOnlyFileIsLeftAsItIs) {
  WriteAllBytes(kSettingsPath, "1\r\n4\r\nkept");
  ASSERT_TRUE(SetFileAttributesW(kSettingsPath, FILE_ATTRIBUTE_READONLY));
  EXPECT_FALSE(WriteSettingsFile(2, 3));
  SetFileAttributesW(kSettingsPath, FILE_ATTRIBUTE_NORMAL);
  EXPECT_EQ(ReadAllBytes(kSettingsPath), "1\r\n4\r\nkept");
}

}  // namespace
