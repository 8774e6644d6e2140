// Soak: the real tarnwick.exe with its key set, pressed many times from this process,
// capturing and pasting alternately into a paste target while another process of ours opens
// and closes the clipboard at random moments. At the end the program is alive, every capture
// either reached the clipboard or said it failed, captures and pastes alternated, and its
// memory and GDI objects are back near where they were after the first ten presses.
// SOAK_PRESSES sets the number of presses (40 when unset).
#include <gtest/gtest.h>

#include <algorithm>

#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "app/control_ids.h"
#include "tests/support/driver.h"
#include "tests/support/gdi_count.h"
#include "tests/support/program_test.h"

#include <psapi.h>  // after the Windows prelude

namespace {

using namespace std::chrono_literals;
using namespace main_ids;

const wchar_t* const kPasteLog = L"D:\\paste_target.log";
const wchar_t* const kFighterLog = L"D:\\clipboard_fighter.log";
const wchar_t* const kFighterStop = L"TarnwickSoakFighterStop";
const wchar_t* const kCaptured = L"截图状态：已截图";
const wchar_t* const kPasted = L"截图状态：已粘贴";
const wchar_t* const kFailed = L"截图状态：截图失败";

struct Figures {
  long vmRssKb = -1;
  SIZE_T workingSet = 0, pagefile = 0;
  testsupport::GuiFigures gui;
};

Figures Measure(HANDLE process, long linuxPid, bool gdiToo = true) {
  Figures f;
  f.vmRssKb = driver::LinuxResidentKb(linuxPid);
  PROCESS_MEMORY_COUNTERS pmc{};
  pmc.cb = sizeof pmc;
  if (GetProcessMemoryInfo(process, &pmc, sizeof pmc)) {
    f.workingSet = pmc.WorkingSetSize;
    f.pagefile = pmc.PagefileUsage;
  }
  if (gdiToo) f.gui = testsupport::MeasureGui(process);
  return f;
}

// Times a memory figure set a new high by more than the margin. Leaked captures do it again
// and again (one is megabytes); the allocator does it a few times in all: under Wine the
// program's VmRSS steps up by one 32-bit screen buffer (1920x1080x4 bytes) at a capture now
// and then, at press 2 in one run and press 25 in another, and stays flat between such steps
// (the freed buffer is kept for reuse rather than given back).
struct NewHighs {
  long top = -1;
  int count = 0;
  void Add(long value, long margin) {
    if (top >= 0 && value > top + margin) ++count;
    top = std::max(top, value);
  }
};

void Print(const char* when, const Figures& f) {
  std::printf("soak figures %-8s VmRSS %ld kB, working set %llu kB, pagefile %llu kB, GDI objects %ld (handle table); "
              "GetGuiResources GDI %lu, USER %lu; handles %lu\n",
              when, f.vmRssKb, static_cast<unsigned long long>(f.workingSet / 1024),
              static_cast<unsigned long long>(f.pagefile / 1024), f.gui.gdiTable, f.gui.gdi, f.gui.user, f.gui.handles);
  std::fflush(stdout);
}

class Soak : public testsupport::ProgramTest {
 protected:
  void TearDown() override {
    driver::Stop(fighter_);
    driver::Stop(pasteTarget_.program());
    ProgramTest::TearDown();
  }

  // Pastes the target took, counting those that found no picture on the clipboard.
  int PasteLines() {
    int n = 0;
    for (const auto& line : pasteTarget_.Lines()) {
      if (line.rfind("paste ", 0) != 0) continue;
      ++n;
      if (line.rfind("paste none", 0) == 0) ++pasteNone_;
    }
    return n;
  }

  enum class Answer { Captured, Pasted, Failed, None };

  // One press, held until the program answers and pressed again if a focus change under Wine
  // wiped it out. A capture that fails right after another failed capture leaves the label
  // as it was: when nothing else changed kSilentFailure after the key was seen down, that
  // press counts as failed. An attempt waits 500 ms for a busy clipboard after a capture that
  // takes up to half a second on a loaded machine; 1.5 s once took a late success for a
  // failure, and the next press then pasted where the test expected a capture.
  static constexpr auto kSilentFailure = std::chrono::milliseconds(4000);
  Answer Press(WORD vk, bool expectCapture) {
    HWND label = driver::FindControl(main_, 透明标签2);
    const std::wstring before = driver::Text(label);
    const DWORD seqBefore = GetClipboardSequenceNumber();
    auto seenDown = driver::Clock::time_point{};
    Answer answer = Answer::None;
    driver::PressUntil(
        vk,
        [&] {
          const std::wstring now = driver::Text(label);
          if (now != before) {
            if (now == kCaptured) answer = Answer::Captured;
            else if (now == kPasted) answer = Answer::Pasted;
            else if (now == kFailed) answer = Answer::Failed;
          } else if (before == kFailed && expectCapture) {
            if (seenDown == driver::Clock::time_point{} && GetAsyncKeyState(vk) < 0) seenDown = driver::Clock::now();
            if (seenDown != driver::Clock::time_point{} && driver::Clock::now() - seenDown >= kSilentFailure)
              answer = Answer::Failed;
          }
          return answer != Answer::None;
        },
        [&] { return driver::Text(label) == before; });
    if (answer == Answer::Captured && GetClipboardSequenceNumber() == seqBefore) lostCaptures_++;
    return answer;
  }

  driver::Program fighter_;
  driver::PasteTarget pasteTarget_{kPasteLog};
  int lostCaptures_ = 0;
  int pasteNone_ = 0;
};

TEST_F(Soak, AlternatesThroughManyPressesWhileAnotherProgramFightsOverTheClipboard) {
  const char* pressesText = std::getenv("SOAK_PRESSES");
  const int presses = pressesText && std::atoi(pressesText) > 10 ? std::atoi(pressesText) : 40;
  const char* exe = std::getenv("TARNWICK_EXE");
  ASSERT_NE(exe, nullptr);
  const long linuxPid = driver::LinuxPidOf(exe);
  std::printf("soak: %d presses; program pid %lu, Linux pid %ld\n", presses, program_.pid, linuxPid);
  EXPECT_NE(linuxPid, 0) << "the program's Linux process was not found under Z:\\proc";

  ASSERT_TRUE(driver::SetHotkey(main_));
  ASSERT_NE(pasteTarget_.Start(), nullptr);

  HANDLE stop = CreateEventW(nullptr, TRUE, FALSE, kFighterStop);
  ASSERT_NE(stop, nullptr);
  DeleteFileW(kFighterLog);
  // Bounded on its own: a press takes well under two seconds.
  const int fighterSeconds = presses * 2 + 60;
  ASSERT_TRUE(driver::Start(fighter_, "CLIPBOARD_FIGHTER_EXE",
                    std::to_wstring(fighterSeconds) + L" " + std::to_wstring(GetTickCount() % 100000) + L" " +
                        kFighterStop + L" " + kFighterLog));

  int captured = 0, pasted = 0, failed = 0;
  bool expectCapture = true;
  Figures afterTen, halfway;
  // Memory figures after every press from the tenth on: see NewHighs.
  constexpr long kMarginKb = 3 * 1024;
  NewHighs rssHighs, setHighs, pageHighs;
  const int half = std::max(10, presses / 2);
  const auto started = driver::Clock::now();
  for (int i = 0; i < presses; ++i) {
    const Answer answer = Press(VK_F2, expectCapture);
    ASSERT_NE(answer, Answer::None) << "press " << i << " got no answer; label " << CaptureStatus().size();
    if (expectCapture) {
      ASSERT_NE(answer, Answer::Pasted) << "press " << i << " pasted where a capture was due";
      (answer == Answer::Captured ? captured : failed)++;
      expectCapture = answer != Answer::Captured;
    } else {
      ASSERT_EQ(answer, Answer::Pasted) << "press " << i << " did not paste after a capture";
      ++pasted;
      expectCapture = true;
    }
    if (i + 1 == 10) {
      Sleep(500);
      afterTen = Measure(program_.process.get(), linuxPid);
    }
    if (i + 1 == half) {
      Sleep(500);
      halfway = Measure(program_.process.get(), linuxPid);
    }
    if (i + 1 >= 10) {
      const Figures now = i + 1 == 10 ? afterTen : Measure(program_.process.get(), linuxPid, false);
      rssHighs.Add(now.vmRssKb, kMarginKb);
      setHighs.Add(static_cast<long>(now.workingSet / 1024), kMarginKb);
      pageHighs.Add(static_cast<long>(now.pagefile / 1024), kMarginKb);
    }
  }
  const double seconds = std::chrono::duration<double>(driver::Clock::now() - started).count();
  SetEvent(stop);
  EXPECT_TRUE(fighter_.WaitExit(10s));
  CloseHandle(stop);
  Sleep(500);
  const Figures atEnd = Measure(program_.process.get(), linuxPid);
  rssHighs.Add(atEnd.vmRssKb, kMarginKb);
  setHighs.Add(static_cast<long>(atEnd.workingSet / 1024), kMarginKb);
  pageHighs.Add(static_cast<long>(atEnd.pagefile / 1024), kMarginKb);

  std::printf("soak: %d presses in %.1f s: %d captured, %d failed captures, %d pasted\n", presses, seconds, captured,
              failed, pasted);
  std::printf("soak: clipboard fighter: %s", driver::ReadFileBytes(kFighterLog).c_str());
  Print("after 10", afterTen);
  Print("halfway", halfway);
  Print("at end", atEnd);

  EXPECT_TRUE(program_.Running());
  EXPECT_EQ(lostCaptures_, 0) << "captures reported but not on the clipboard";
  // Every paste the program made reached the target as Ctrl+V, and none found the
  // clipboard without a picture.
  EXPECT_TRUE(driver::WaitFor([&] { return PasteLines() == pasted; }, 10s)) << PasteLines() << " vs " << pasted;
  PasteLines();
  EXPECT_EQ(pasteNone_, 0);
  EXPECT_GE(captured, 1);

  // Memory: a leak keeps setting new highs press after press (a leaked full-screen capture is
  // several MB; the margin is below one); the allocator sets a few once for good (NewHighs),
  // so a fixed level after ten presses or halfway would fail on the odd late one. Each figure
  // that reads here may step up at most a few times after the tenth press.
  constexpr int kAllocatorSteps = 3;
  std::printf("soak: memory new highs (by over %ld kB) after the tenth press: VmRSS %d, working set %d, pagefile %d\n",
              kMarginKb, rssHighs.count, setHighs.count, pageHighs.count);
  if (afterTen.vmRssKb > 0) EXPECT_LE(rssHighs.count, kAllocatorSteps) << "VmRSS keeps growing";
  EXPECT_LE(setHighs.count, kAllocatorSteps) << "the working set keeps growing";
  EXPECT_LE(pageHighs.count, kAllocatorSteps) << "the pagefile usage keeps growing";
  // GDI objects, counted in the program's handle table on Windows and under Wine alike, are
  // back where they were after ten presses (a leak per press would be dozens more here); the
  // margin is for the objects that change hands with each capture and paste.
  constexpr long kGdiMargin = 4;
  EXPECT_GT(afterTen.gui.gdiTable, 0) << "the program's GDI objects could not be counted";
  EXPECT_LE(atEnd.gui.gdiTable, afterTen.gui.gdiTable + kGdiMargin);
  // Counters that read 0 under Wine.
  if (afterTen.gui.gdi) EXPECT_LE(atEnd.gui.gdi, afterTen.gui.gdi + kGdiMargin);
  if (afterTen.gui.user) EXPECT_LE(atEnd.gui.user, afterTen.gui.user + 4);
  if (afterTen.gui.handles) EXPECT_LE(atEnd.gui.handles, afterTen.gui.handles + 8);

  // The program still does its job when the fight is over.
  const Answer last = Press(VK_F2, expectCapture);
  EXPECT_EQ(last, expectCapture ? Answer::Captured : Answer::Pasted);
}

}  // namespace
