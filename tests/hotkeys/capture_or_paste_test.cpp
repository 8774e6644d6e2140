// The capture-or-paste alternation, its failure rule and its serialisation.
#include "hotkeys/capture_or_paste.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "hotkeys/key_choices.h"

using namespace hotkeys;

namespace {

struct Recorder {
  std::atomic<int> captures{0}, pastes{0}, inside{0}, overlaps{0};
  bool clipboardAccepts = true;
  bool screenGivesBytes = true;
  std::vector<ActionOutcome> shown;
  std::mutex shownLock;

  CaptureOrPasteOps Ops() {
    CaptureOrPasteOps ops;
    ops.captureScreen = [this] {
      Enter();
      ++captures;
      std::this_thread::yield();
      Leave();
      return screenGivesBytes ? std::vector<uint8_t>{'B', 'M'} : std::vector<uint8_t>{};
    };
    ops.putImageOnClipboard = [this](const std::vector<uint8_t>& b) { return clipboardAccepts && !b.empty(); };
    ops.sendPasteKeys = [this] {
      Enter();
      ++pastes;
      std::this_thread::yield();
      Leave();
    };
    ops.showOutcome = [this](ActionOutcome o) {
      std::lock_guard<std::mutex> g(shownLock);
      shown.push_back(o);
    };
    return ops;
  }
  void Enter() {
    if (inside.fetch_add(1) != 0) ++overlaps;
  }
  void Leave() { inside.fetch_sub(1); }
};

TEST(CaptureOrPaste, AlternatesFromTheArmedState) {
  Recorder r;
  CaptureStateCell state;
  state.value = "2";
  const std::vector<ActionOutcome> expected = {ActionOutcome::Captured, ActionOutcome::Pasted,
                                               ActionOutcome::Captured, ActionOutcome::Pasted};
  for (ActionOutcome e : expected) EXPECT_EQ(CaptureOrPaste(state, r.Ops()), e);
  EXPECT_EQ(r.shown, expected);
  EXPECT_EQ(state.value, "2");
}

TEST(CaptureOrPaste, AnyStateButTwoMeansACaptureWasDoneLast) {
  for (const char* before : {"", "1", "x", "22"}) {
    Recorder r;
    CaptureStateCell state;
    state.value = before;
    EXPECT_EQ(CaptureOrPaste(state, r.Ops()), ActionOutcome::Pasted) << before;
    EXPECT_EQ(state.value, "2");
  }
}

TEST(CaptureOrPaste, CaptureThatMissesTheClipboardFailsAndStaysArmed) {
  struct Case {
    bool screenGivesBytes, clipboardAccepts;
  };
  for (const Case c : {Case{false, true}, Case{true, false}, Case{false, false}}) {
    Recorder r;
    r.screenGivesBytes = c.screenGivesBytes;
    r.clipboardAccepts = c.clipboardAccepts;
    CaptureStateCell state;
    state.value = "2";
    EXPECT_EQ(CaptureOrPaste(state, r.Ops()), ActionOutcome::CaptureFailed);
    EXPECT_EQ(state.value, "2");
    EXPECT_EQ(r.pastes, 0);
    r.screenGivesBytes = r.clipboardAccepts = true;
    EXPECT_EQ(CaptureOrPaste(state, r.Ops()), ActionOutcome::Captured);  // the next press captures again
  }
}

TEST(CaptureOrPaste, OverlappingFiringsNeverBothCaptureOrBothPaste) {
  Recorder r;
  CaptureStateCell state;
  state.value = "2";
  const CaptureOrPasteOps ops = r.Ops();
  std::vector<std::thread> threads;
  for (int i = 0; i < 64; ++i) threads.emplace_back([&] { CaptureOrPaste(state, ops); });
  for (auto& t : threads) t.join();
  EXPECT_EQ(r.overlaps, 0);
  EXPECT_EQ(r.captures, 32);
  EXPECT_EQ(r.pastes, 32);
  EXPECT_EQ(state.value, "2");
  ASSERT_EQ(r.shown.size(), 64u);
  for (size_t i = 0; i < r.shown.size(); ++i)
    EXPECT_EQ(r.shown[i], i % 2 == 0 ? ActionOutcome::Captured : ActionOutcome::Pasted) << i;
}

TEST(KeyChoiceTable, IndicesMapToTheirKeys) {
  EXPECT_EQ(VirtualKeyOfIndex(0), 112);
  EXPECT_EQ(VirtualKeyOfIndex(1), 113);
  EXPECT_EQ(VirtualKeyOfIndex(12), 35);
  EXPECT_EQ(VirtualKeyOfIndex(14), 18);
  EXPECT_EQ(VirtualKeyOfIndex(16), 192);
  EXPECT_FALSE(VirtualKeyOfIndex(-1).has_value());
  EXPECT_FALSE(VirtualKeyOfIndex(17).has_value());
  EXPECT_STREQ(KeyChoiceTable[kDefaultCaptureIndex].captureListText, L"F2键（默认）");
  EXPECT_STREQ(KeyChoiceTable[kDefaultUndoIndex].undoListText, L"F3键（默认）");
}

}  // namespace
