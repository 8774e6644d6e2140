// The start-up upkeep on a machine without a drive D: (the bed runs this program with
// WINEBED_NO_D=1): everything on D: fails silently and the Start-menu part still happens.
#include "tests/settings/upkeep_test.h"

#include <gtest/gtest.h>

#include "settings/settings_file.h"

using namespace settings;
using namespace upkeeptest;

namespace {

TEST(UpkeepWithoutDriveD, GoesOnSilently) {
  ASSERT_EQ(GetDriveTypeW(L"D:\\"), static_cast<UINT>(DRIVE_NO_ROOT_DIR)) << "run with WINEBED_NO_D=1";
  RemoveProgramFolders();
  EXPECT_FALSE(FolderExists(kDataFolder));
  EXPECT_FALSE(CreateFolder(kDataFolder));
  EXPECT_FALSE(WriteWebShortcut(kWebShortcutPath, L"http://www.tarnwick.com/"));

  const std::wstring exe = ProgramExecutablePath();
  RunStartupUpkeep(L"http://www.tarnwick.com/", exe);
  EXPECT_FALSE(Exists(std::wstring(kWebShortcutPath) + L".url"));
  EXPECT_EQ(LinkTarget(ItemPath(kProgramsFolder)), exe);
  RemoveProgramFolders();
}

}  // namespace
