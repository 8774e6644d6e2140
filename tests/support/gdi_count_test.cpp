// The GDI count read from outside sees exactly what a process holds: this process's own
// objects, and another process that makes and frees objects on command.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "tests/support/driver.h"
#include "tests/support/gdi_count.h"

namespace {

// The leaking helper (GDI_LEAKER_EXE), which answers "ready" when it has started and when it
// has done a command.
class Leaker {
 public:
  bool Start() {
    const char* exe = std::getenv("GDI_LEAKER_EXE");
    std::string line;
    return exe && helper_.Start(driver::WinePath(exe)) && helper_.ReadLine(line) && line == "ready";
  }
  bool Do(const std::string& command) {
    std::string answer;
    return helper_.Command(command, &answer) && answer == "ready";
  }
  HANDLE process() const { return helper_.process(); }

 private:
  driver::CommandedProcess helper_;
};

TEST(GdiCount, SeesThisProcessMakeAndFreeObjects) {
  const long before = testsupport::CountGdiObjects(GetCurrentProcess());
  ASSERT_GE(before, 0) << "the GDI handle table could not be read";
  std::vector<HBRUSH> brushes;
  for (int i = 0; i < 7; ++i) brushes.push_back(CreateSolidBrush(RGB(i, 0, 0)));
  EXPECT_EQ(testsupport::CountGdiObjects(GetCurrentProcess()), before + 7);
  for (HBRUSH b : brushes) DeleteObject(b);
  EXPECT_EQ(testsupport::CountGdiObjects(GetCurrentProcess()), before);
  // Stock objects are not the process's own.
  GetStockObject(WHITE_BRUSH);
  EXPECT_EQ(testsupport::CountGdiObjects(GetCurrentProcess()), before);
}

TEST(GdiCount, SeesAnotherProcessLeakExactlyWhatItKeeps) {
  Leaker leaker;
  ASSERT_TRUE(leaker.Start()) << "the leaking helper did not start (GDI_LEAKER_EXE)";
  const testsupport::GuiFigures start = testsupport::MeasureGui(leaker.process());
  ASSERT_GE(start.gdiTable, 0) << "the helper's GDI handle table could not be read";
  std::printf("helper at start: %ld GDI objects in its table, GetGuiResources %lu\n", start.gdiTable, start.gdi);
  long kept = 0;
  for (const int leak : {1, 5, 12, 100}) {
    SCOPED_TRACE(leak);
    ASSERT_TRUE(leaker.Do("leak " + std::to_string(leak)));
    kept += leak;
    const testsupport::GuiFigures now = testsupport::MeasureGui(leaker.process());
    EXPECT_EQ(now.gdiTable, start.gdiTable + kept);
    if (start.gdi) EXPECT_EQ(static_cast<long>(now.gdi), static_cast<long>(start.gdi) + kept);  // Windows
  }
  ASSERT_TRUE(leaker.Do("free"));
  const testsupport::GuiFigures freed = testsupport::MeasureGui(leaker.process());
  EXPECT_EQ(freed.gdiTable, start.gdiTable);
  if (start.gdi) EXPECT_EQ(freed.gdi, start.gdi);
  // This process's objects are not counted as the helper's.
  HBRUSH mine = CreateSolidBrush(RGB(1, 2, 3));
  EXPECT_EQ(testsupport::CountGdiObjects(leaker.process()), start.gdiTable);
  DeleteObject(mine);
}

}  // namespace
