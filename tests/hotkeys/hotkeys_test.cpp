// The program's hotkey engine for real: the thread timer ticks on this test's message loop,
// and another process of ours presses the keys with SendInput.
#include "hotkeys/hotkeys.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>

#include "tests/support/driver.h"

using namespace hotkeys;

namespace {

constexpr int kVk = VK_F9;
constexpr DWORD kWaitMs = 10000;

// ---- the other process ----------------------------------------------------------------------

// key_presser.exe beside this test: each command is answered "ok" once the key reads as asked.
class KeyPresser {
 public:
  bool Start() {
    wchar_t path[MAX_PATH];
    const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return false;
    std::wstring exe(path, length);
    return presser_.Start(exe.substr(0, exe.find_last_of(L"\\/") + 1) + L"key_presser.exe");
  }

  // Sends one command and waits for its answer, keeping the message loop running meanwhile.
  bool Command(const std::string& command) {
    std::string answer;
    return presser_.Command(command, &answer, std::chrono::milliseconds(kWaitMs), [] {
      MSG msg;
      while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    }) && answer == "ok";
  }

  bool Down(int vk) { return Command("down " + std::to_string(vk)); }
  bool Up(int vk) { return Command("up " + std::to_string(vk)); }

 private:
  driver::CommandedProcess presser_;
};

// ---- this side ------------------------------------------------------------------------------

// Timer ticks of the engine dispatched so far by PumpUntil.
int ticks = 0;

// Runs the message loop, through which the engine's ticks arrive, until done() or the deadline.
template <typename Done>
bool PumpUntil(Done done, DWORD timeoutMs = kWaitMs) {
  const ULONGLONG deadline = GetTickCount64() + timeoutMs;
  for (;;) {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      // The engine's is the only thread timer here. (lParam is no use to tell it: the system
      // may hand a thunk of the procedure instead of its address.)
      if (msg.message == WM_TIMER && msg.hwnd == nullptr) ++ticks;
      DispatchMessageW(&msg);
    }
    if (done()) return true;
    const ULONGLONG now = GetTickCount64();
    if (now >= deadline) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(deadline - now < 50 ? deadline - now : 50),
                              QS_ALLINPUT);
  }
}

// Lets n more ticks of the engine run.
bool WaitTicks(int n) {
  const int until = ticks + n;
  return PumpUntil([&] { return ticks >= until; });
}

// What the callbacks saw, written from their threads.
constexpr int kMaxCalls = 64;
std::atomic<int> calls{0};
std::atomic<int32_t> seenIds[kMaxCalls];
std::atomic<DWORD> seenThreads[kMaxCalls];

void RecordCall(int32_t id) {
  const int n = calls.load();  // only one callback runs at a time in these tests
  if (n < kMaxCalls) {
    seenIds[n] = id;
    seenThreads[n] = GetCurrentThreadId();
  }
  calls.store(n + 1);
}

bool KeyIsUp() { return GetAsyncKeyState(kVk) >= 0; }

class HotkeyEngine : public ::testing::Test {
 protected:
  void SetUp() override {
    calls = 0;
    ASSERT_TRUE(PumpUntil(KeyIsUp)) << "F9 is held down before the test";
    ASSERT_TRUE(presser.Start()) << "cannot start key_presser.exe";
  }

  // One press: down until the callback has run, then up until the engine has seen it up.
  void Press(int expectedCalls) {
    ASSERT_TRUE(presser.Down(kVk));
    ASSERT_TRUE(PumpUntil([&] { return calls.load() >= expectedCalls; })) << "no firing for press " << expectedCalls;
    ASSERT_TRUE(presser.Up(kVk));
    ASSERT_TRUE(WaitTicks(2));
  }

  KeyPresser presser;
};

TEST_F(HotkeyEngine, EachPressFromAnotherProcessRunsTheCallbackOnceOnItsOwnThread) {
  const int32_t id = AddHotkey(RecordCall, kVk);
  ASSERT_EQ(id, 1000001);
  ASSERT_TRUE(WaitTicks(2)) << "the engine's timer does not tick on this thread";

  constexpr int kPresses = 5;
  for (int i = 1; i <= kPresses; ++i) ASSERT_NO_FATAL_FAILURE(Press(i));
  ASSERT_TRUE(WaitTicks(10));
  EXPECT_EQ(calls.load(), kPresses);
  for (int i = 0; i < kPresses; ++i) {
    EXPECT_EQ(seenIds[i].load(), id);
    EXPECT_NE(seenThreads[i].load(), GetCurrentThreadId());
  }
}

TEST_F(HotkeyEngine, AKeyHeldForManyTicksRunsTheCallbackOnce) {
  ASSERT_EQ(AddHotkey(RecordCall, kVk), 1000001);

  ASSERT_TRUE(presser.Down(kVk));
  ASSERT_TRUE(PumpUntil([] { return calls.load() >= 1; }));
  ASSERT_TRUE(WaitTicks(20));
  EXPECT_LT(GetAsyncKeyState(kVk), 0) << "the key was held all along";
  ASSERT_TRUE(presser.Up(kVk));
  ASSERT_TRUE(WaitTicks(5));
  EXPECT_EQ(calls.load(), 1);

  ASSERT_NO_FATAL_FAILURE(Press(2));  // and the next press fires again
  ASSERT_TRUE(WaitTicks(5));
  EXPECT_EQ(calls.load(), 2);
}

TEST_F(HotkeyEngine, ClearedHotkeyDoesNotFireUntilAddedAgain) {
  const int32_t id = AddHotkey(RecordCall, kVk);
  ASSERT_NO_FATAL_FAILURE(Press(1));
  ASSERT_TRUE(ClearHotkey());

  ASSERT_TRUE(presser.Down(kVk));
  ASSERT_TRUE(WaitTicks(5));
  ASSERT_TRUE(presser.Up(kVk));
  ASSERT_TRUE(WaitTicks(5));
  EXPECT_EQ(calls.load(), 1);

  EXPECT_EQ(AddHotkey(RecordCall, kVk), id);
  ASSERT_NO_FATAL_FAILURE(Press(2));
  EXPECT_FALSE(ClearHotkey(id + 1));
}

TEST_F(HotkeyEngine, DirectPathRunsTheCallbackInsideTheTickOnTheTimerThread) {
  const int32_t id = AddHotkey(RecordCall, kVk, 0, 0, 0, 1);
  ASSERT_EQ(id, 1000001);
  ASSERT_NO_FATAL_FAILURE(Press(1));
  ASSERT_NO_FATAL_FAILURE(Press(2));
  ASSERT_TRUE(WaitTicks(5));
  EXPECT_EQ(calls.load(), 2);
  for (int i = 0; i < 2; ++i) {
    EXPECT_EQ(seenIds[i].load(), id);
    EXPECT_EQ(seenThreads[i].load(), GetCurrentThreadId());
  }
}

TEST(HotkeyTableAtExit, FreedTableTakesNoMoreHotkeys) {
  ASSERT_EQ(AddHotkey(RecordCall, kVk), 1000001);
  FreeHotkeyTable();
  EXPECT_EQ(AddHotkey(RecordCall, kVk), 0);
  EXPECT_TRUE(ClearHotkey());
  EXPECT_FALSE(ClearHotkey(1000001));
  PollHotkeys();  // a tick that still arrives judges nothing
  FreeHotkeyTable();  // and a second free is harmless
}

}  // namespace
