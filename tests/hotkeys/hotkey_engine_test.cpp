// The engine's registration and its judging of ticks, driven through a fake platform that
// serves key snapshots of our own and records timers and firings.
#include "hotkeys/hotkey_engine.h"

#include <gtest/gtest.h>

#include <climits>
#include <optional>
#include <string>
#include <vector>

using namespace hotkeys;

namespace {

constexpr int16_t kDown = static_cast<int16_t>(0x8000);
constexpr int16_t kDownPressed = static_cast<int16_t>(0x8001);  // down, and pressed since the last query
constexpr int16_t kTapped = 1;                                   // up, but pressed since the last query

constexpr int kF2 = 113;
constexpr int kF3 = 114;
constexpr int kKeyA = 65;
constexpr int kKeyB = 66;
constexpr int kRightWin = 92;

// Record n (counted from 1, as the table does) was given this id when it was appended.
constexpr int32_t Id(int n) { return kIdBase + n; }

void Noop(int32_t) {}
void Other(int32_t) {}

struct Firing {
  int32_t id;
  bool direct;
  HotkeyCallback callback;
};

class FakePlatform final : public HotkeyPlatform {
 public:
  KeySnapshot keys{};  // what the next tick reads
  std::vector<uint32_t> timers;
  std::vector<int> reads;
  std::vector<Firing> firings;

  void CreateTimer(uint32_t periodMs) override { timers.push_back(periodMs); }
  int16_t ReadKeyState(int code) override {
    reads.push_back(code);
    return keys[code];
  }
  void StartThread(HotkeyCallback callback, int32_t id) override { firings.push_back({id, false, callback}); }
  void CallDirect(HotkeyCallback callback, int32_t id) override {
    firings.push_back({id, true, callback});
    callback(id);
  }
};

std::vector<uint8_t> States(const HotkeyTable& table) {
  std::vector<uint8_t> states;
  for (std::size_t p = 1; p <= table.size(); ++p) states.push_back(table.at(p).state);
  return states;
}

// ---- registration -------------------------------------------------------------------------

struct Op {
  bool clear;
  int32_t keyCode, modifiers, secondKey, interval;
  int32_t expected;  // the id AddHotkey returns; for a clear, 1 for true and 0 for false
};

Op Add(int32_t keyCode, int32_t expected, int32_t modifiers = 0, int32_t secondKey = 0, int32_t interval = 0) {
  return {false, keyCode, modifiers, secondKey, interval, expected};
}
Op Clear(int32_t id, bool expected) { return {true, id, 0, 0, 0, expected ? 1 : 0}; }

struct RegistrationCase {
  std::string name;
  std::vector<Op> ops;
  std::vector<int32_t> idsAfter;   // every record's id, in table order
  std::vector<uint32_t> timers;    // the periods of the timers created
};

TEST(HotkeyRegistration, IdsResultsAndTheOneTimer) {
  const std::vector<RegistrationCase> cases = {
      {"key codes naming no key are refused",
       {Add(0, 0), Add(256, 0), Add(-512, 0), Add(INT_MIN, 0), Add(512 + 256, 0)},
       {},
       {}},
      {"a second key naming no key is refused",
       {Add(kF2, 0, 0, 256), Add(kF2, 0, 0, -512), Add(kF2, 0, 0, INT_MIN)},
       {},
       {}},
      {"the first registration makes the timer with the default period",
       {Add(kF2, Id(1)), Add(kF3, Id(2), 0, 0, 50)},
       {Id(1), Id(2)},
       {10}},
      {"period 0 polls every 10 ms", {Add(kF2, Id(1), 0, 0, 0)}, {Id(1)}, {10}},
      {"a negative period polls every 10 ms", {Add(kF2, Id(1), 0, 0, -5)}, {Id(1)}, {10}},
      {"period 1", {Add(kF2, Id(1), 0, 0, 1)}, {Id(1)}, {1}},
      {"a period given later is ignored",
       {Add(kF2, Id(1), 0, 0, 250), Add(kF3, Id(2), 0, 0, 20), Add(kF2, Id(1), 0, 0, 5)},
       {Id(1), Id(2)},
       {250}},
      {"the same combination twice is one record", {Add(kF2, Id(1)), Add(kF2, Id(1))}, {Id(1)}, {10}},
      {"key, mask and second key match on their full values",
       {Add(kF2, Id(1)), Add(-kF2, Id(2)), Add(kF2 + 256, Id(3)), Add(kF2, Id(4), kModControl),
        Add(kF2, Id(5), 0, kKeyA), Add(kF2, Id(6), 0, -kKeyA), Add(kF2, Id(1))},
       {Id(1), Id(2), Id(3), Id(4), Id(5), Id(6)},
       {10}},
      {"after ClearHotkey(0) a combination gets its old id, a new one the next id",
       {Add(kF2, Id(1)), Add(kF3, Id(2)), Clear(0, true), Add(kF3, Id(2)), Add(kKeyA, Id(3)), Add(kF2, Id(1))},
       {Id(1), Id(2), Id(3)},
       {10}},
      {"new combinations count the inactive records",
       {Add(kF2, Id(1)), Add(kF3, Id(2)), Clear(0, true), Add(kKeyA, Id(3))},
       {0, 0, Id(3)},
       {10}},
      {"clearing one id",
       {Add(kF2, Id(1)), Add(kF3, Id(2)), Clear(Id(1), true), Clear(Id(1), false), Add(kF2, Id(1))},
       {Id(1), Id(2)},
       {10}},
      {"ClearHotkey results",
       {Clear(0, true), Clear(Id(1), false), Add(kF2, Id(1)), Clear(999, false), Clear(-1, false),
        Clear(Id(2), false), Clear(0, true), Clear(0, true), Clear(Id(1), false)},
       {0},
       {10}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    HotkeyTable table;
    FakePlatform platform;
    for (std::size_t i = 0; i < c.ops.size(); ++i) {
      const Op& op = c.ops[i];
      if (op.clear) {
        EXPECT_EQ(ClearHotkey(table, op.keyCode), op.expected == 1) << "op " << i;
      } else {
        EXPECT_EQ(AddHotkey(table, platform, Noop, op.keyCode, op.modifiers, op.secondKey, op.interval), op.expected)
            << "op " << i;
      }
    }
    std::vector<int32_t> ids;
    for (std::size_t p = 1; p <= table.size(); ++p) ids.push_back(table.at(p).id);
    EXPECT_EQ(ids, c.idsAfter);
    EXPECT_EQ(platform.timers, c.timers);
    EXPECT_TRUE(platform.firings.empty());
  }
}

TEST(HotkeyRegistration, AddingAgainReplacesCallbackAndPathButNotState) {
  HotkeyTable table;
  FakePlatform platform;
  ASSERT_EQ(AddHotkey(table, platform, Noop, kF2), Id(1));
  platform.keys[kF2] = kDown;
  PollHotkeys(table, platform);
  ASSERT_EQ(platform.firings.size(), 1u);
  ASSERT_EQ(table.at(1).state, kJudged);

  ASSERT_TRUE(ClearHotkey(table, Id(1)));
  EXPECT_EQ(AddHotkey(table, platform, Other, kF2, 0, 0, 0, 1), Id(1));
  ASSERT_EQ(table.size(), 1u);
  EXPECT_EQ(table.at(1).callback, &Other);
  EXPECT_EQ(table.at(1).directCall, 1);
  EXPECT_EQ(table.at(1).state, kJudged);  // still held: no second firing until it is seen up

  platform.keys[kF2] = 0;
  PollHotkeys(table, platform);
  platform.keys[kF2] = kDown;
  PollHotkeys(table, platform);
  ASSERT_EQ(platform.firings.size(), 2u);
  EXPECT_EQ(platform.firings[1].callback, &Other);
  EXPECT_TRUE(platform.firings[1].direct);
  EXPECT_EQ(platform.firings[1].id, Id(1));
}

// ---- one tick, state by state ---------------------------------------------------------------

TEST(HotkeyJudging, StateTransitionsOfOneTick) {
  struct Row {
    uint8_t before;
    int16_t entry;
    int32_t keyCode;
    uint8_t after;
    bool judged;  // with mask 0 and nothing else held, judged means fired
  };
  const std::vector<Row> rows = {
      {kIdle, kDown, kF2, kJudged, true},
      {kIdle, kDownPressed, kF2, kJudged, true},
      {kIdle, kDown, -kF2, kHeld, false},
      {kIdle, 0, kF2, kIdle, false},
      {kIdle, 0, -kF2, kIdle, false},
      {kIdle, kTapped, kF2, kIdle, false},
      {kIdle, kTapped, -kF2, kIdle, false},
      {kHeld, kDown, -kF2, kHeld, false},
      {kHeld, 0, -kF2, kJudged, true},
      {kHeld, kTapped, -kF2, kJudged, true},
      {kJudged, kDown, kF2, kJudged, false},
      {kJudged, kDown, -kF2, kJudged, false},
      {kJudged, 0, kF2, kIdle, false},
      {kJudged, 0, -kF2, kIdle, false},
      {kJudged, kTapped, kF2, kJudged, false},
      {kJudged, kTapped, -kF2, kJudged, false},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(::testing::Message() << "state " << int(r.before) << ", entry " << r.entry << ", keyCode "
                                      << r.keyCode);
    HotkeyTable table;
    FakePlatform platform;
    ASSERT_EQ(AddHotkey(table, platform, Noop, r.keyCode), Id(1));
    table.at(1).state = r.before;
    platform.keys[kF2] = r.entry;
    PollHotkeys(table, platform);
    EXPECT_EQ(table.at(1).state, r.after);
    EXPECT_EQ(platform.firings.size(), r.judged ? 1u : 0u);
  }
}

struct KeyAndSecond {
  int32_t keyCode;
  int32_t secondKey;
};

TEST(HotkeyJudging, ATickReadsOnlyTheKeysTheActiveRecordsLookAt) {
  struct Case {
    std::string name;
    std::vector<KeyAndSecond> adds;
    std::vector<int32_t> clears;  // ids cleared after the adds; 0 clears all
    std::vector<int> reads;       // one tick's reads, in order
  };
  const std::vector<Case> cases = {
      {"empty table", {}, {}, {}},
      {"one plain key", {{kF2, 0}}, {}, {16, 17, 18, 91, kF2}},
      {"release mode and a key index above 255", {{-kF2, 0}, {kF3 + 256, 0}}, {}, {16, 17, 18, 91, kF2, kF3}},
      {"second keys, shared key read once", {{kF2, kKeyA}, {kF2, -kKeyB}, {kKeyA, 0}}, {}, {16, 17, 18, kKeyA, kKeyB, 91, kF2}},
      {"a modifier as the key", {{18, 0}}, {}, {16, 17, 18, 91}},
      {"one of two cleared", {{kF2, 0}, {kF3, kKeyA}}, {Id(2)}, {16, 17, 18, 91, kF2}},
      {"every record cleared", {{kF2, 0}, {kF3, 0}}, {0}, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    HotkeyTable table;
    FakePlatform platform;
    for (const auto& add : c.adds) ASSERT_NE(AddHotkey(table, platform, Noop, add.keyCode, 0, add.secondKey), 0);
    for (int32_t id : c.clears) ClearHotkey(table, id);
    PollHotkeys(table, platform);
    EXPECT_EQ(platform.reads, c.reads);
    platform.reads.clear();
    PollHotkeys(table, platform);  // and the same again on the next tick
    EXPECT_EQ(platform.reads, c.reads);
  }
}

// Reading only what the records look at must judge exactly as a snapshot of all 255 keys
// would: random tables (some records inactive) through random key histories.
TEST(HotkeyJudging, JudgesAsASnapshotOfEveryKeyWould) {
  const int32_t keys[] = {kF2, -kF2, kF3, kKeyA, -kKeyB, 16, 17, 18, 91, kRightWin};
  const int16_t entries[] = {0, 0, 0, kDown, kDownPressed, kTapped};
  uint32_t seed = 12345;
  auto next = [&seed](uint32_t bound) {
    seed = seed * 1664525u + 1013904223u;
    return (seed >> 8) % bound;
  };
  for (int round = 0; round < 200; ++round) {
    HotkeyTable partial, full;
    FakePlatform partialPlatform, fullPlatform;
    const int records = 1 + static_cast<int>(next(5));
    for (int r = 0; r < records; ++r) {
      const int32_t key = keys[next(10)];
      const int32_t modifiers = static_cast<int32_t>(next(3)) == 0 ? static_cast<int32_t>(next(16)) : 0;
      const int32_t second = next(3) == 0 ? keys[next(10)] : 0;
      AddHotkey(partial, partialPlatform, Noop, key, modifiers, second);
      AddHotkey(full, fullPlatform, Noop, key, modifiers, second);
    }
    if (next(3) == 0) {
      const int32_t id = Id(1 + static_cast<int>(next(static_cast<uint32_t>(partial.size()))));
      ClearHotkey(partial, id);
      ClearHotkey(full, id);
    }
    for (int tick = 0; tick < 30; ++tick) {
      KeySnapshot snapshot{};
      for (int code = 1; code <= 255; ++code) snapshot[code] = next(4) == 0 ? entries[next(6)] : 0;
      for (int32_t key : keys) snapshot[KeyIndex(key)] = entries[next(6)];
      partialPlatform.keys = snapshot;
      PollHotkeys(partial, partialPlatform);
      JudgeTick(full, snapshot, fullPlatform);
      ASSERT_EQ(States(partial), States(full)) << "round " << round << ", tick " << tick;
      ASSERT_EQ(partialPlatform.firings.size(), fullPlatform.firings.size()) << "round " << round << ", tick " << tick;
    }
    for (std::size_t i = 0; i < fullPlatform.firings.size(); ++i) {
      EXPECT_EQ(partialPlatform.firings[i].id, fullPlatform.firings[i].id);
    }
  }
}

// ---- scenarios over several ticks -----------------------------------------------------------

struct Registration {
  int32_t keyCode;
  int32_t modifiers = 0;
  int32_t secondKey = 0;
  int32_t directCall = 0;
  HotkeyCallback callback = Noop;
};

struct Fire {
  int n;  // record position
  bool direct = false;
};

struct Tick {
  std::vector<std::pair<int, int16_t>> keys = {};  // entries that are not 0
  std::vector<Fire> fired = {};                   // in firing order
  std::vector<uint8_t> states = {};               // every record's state after the tick (empty: not checked)
  std::optional<int32_t> clearBefore = {};  // ClearHotkey(id) before the tick
  std::optional<Registration> addBefore = {};
};

struct Scenario {
  std::string name;
  std::vector<Registration> records;
  std::vector<Tick> ticks;
};

std::pair<int, int16_t> Down(int code) { return {code, kDown}; }
std::pair<int, int16_t> Tapped(int code) { return {code, kTapped}; }

TEST(HotkeyJudging, Scenarios) {
  const int shift = kVkShift, ctrl = kVkControl, alt = kVkMenu, win = kVkLWin;
  const std::vector<Scenario> scenarios = {
      {"a held key fires once",
       {{kF2}},
       {{{}, {}, {kIdle}},
        {{Down(kF2)}, {{1}}, {kJudged}},
        {{Down(kF2)}, {}, {kJudged}},
        {{Down(kF2)}, {}, {kJudged}},
        {{}, {}, {kIdle}},
        {{{kF2, kDownPressed}}, {{1}}, {kJudged}}}},
      {"a tap between two ticks does not fire",
       {{kF2}},
       {{{Tapped(kF2)}, {}, {kIdle}}, {{}, {}, {kIdle}}, {{Down(kF2)}, {{1}}, {kJudged}}}},
      {"a press with Shift held is lost until the key is released",
       {{kF2}},
       {{{Down(kF2), Down(shift)}, {}, {kJudged}},
        {{Down(kF2)}, {}, {kJudged}},
        {{}, {}, {kIdle}},
        {{Down(kF2)}, {{1}}, {kJudged}}}},
      {"a modifier pressed after the key neither stops nor fires",
       {{kF2}, {kF2, kModControl}},
       {{{Down(kF2)}, {{1}}, {kJudged, kJudged}},
        {{Down(kF2), Down(ctrl)}, {}, {kJudged, kJudged}},
        {{Down(ctrl)}, {}, {kIdle, kIdle}},
        {{Down(ctrl), Down(kF2)}, {{2}}, {kJudged, kJudged}}}},
      {"the modifiers must match the mask exactly",
       {{kF2, kModControl | kModShift}},
       {{{Down(kF2), Down(ctrl)}, {}},
        {{}, {}},
        {{Down(kF2), Down(ctrl), Down(shift), Down(alt)}, {}},
        {{}, {}},
        {{Down(kF2), Down(ctrl), Down(shift)}, {{1}}}}},
      {"a modifier key as the key fires only with its own bit in the mask",
       {{alt}, {alt, kModAlt}, {ctrl}, {ctrl, kModControl}, {shift}, {shift, kModShift}, {win}, {win, kModWin},
        {kRightWin}},
       {{{Down(alt)}, {{2}}},
        {{}, {}},
        {{Down(ctrl)}, {{4}}},
        {{}, {}},
        {{Down(shift)}, {{6}}},
        {{}, {}},
        {{Down(win)}, {{8}}},
        {{}, {}},
        {{Down(kRightWin)}, {{9}}}}},
      {"the right Windows key is no modifier",
       {{kF2, kModWin}, {kF3}},
       {{{Down(kF2), Down(kRightWin)}, {}}, {{Down(kF3), Down(kRightWin)}, {{2}}}}},
      {"release mode fires when the key goes up",
       {{-kF2}},
       {{{Down(kF2)}, {}, {kHeld}},
        {{Down(kF2)}, {}, {kHeld}},
        {{}, {{1}}, {kJudged}},
        {{}, {}, {kIdle}},
        {{Down(kF2)}, {}, {kHeld}},
        {{Tapped(kF2)}, {{1}}, {kJudged}},
        {{Down(kF2)}, {}, {kJudged}},
        {{}, {}, {kIdle}}}},
      {"release mode takes the modifiers at the release",
       {{-kF2, kModShift}},
       {{{Down(kF2)}, {}, {kHeld}},
        {{Down(kF2), Down(shift)}, {}, {kHeld}},
        {{Down(shift)}, {{1}}, {kJudged}},
        {{}, {}, {kIdle}},
        {{Down(kF2), Down(shift)}, {}, {kHeld}},
        {{}, {}, {kJudged}},
        {{}, {}, {kIdle}}}},
      {"two second keys held in one tick fire in table order",
       {{kF2, 0, kKeyB}, {kF2, 0, kKeyA}},
       {{{Down(kF2), Down(kKeyA), Down(kKeyB)}, {{1}, {2}}, {kJudged, kJudged}},
        {{}, {}},
        {{Down(kF2), Down(kKeyA)}, {{2}}},
        {{}, {}},
        {{Down(kF2)}, {}, {kJudged, kJudged}},
        {{}, {}},
        {{Tapped(kKeyB), Down(kF2)}, {}}}},
      {"key and second key look at the low 8 bits of their absolute values",
       {{kF2 + 256}, {kF3, 0, -(kKeyA + 256)}},
       {{{Down(kF2)}, {{1}}}, {{Down(kF3), Down(kKeyA)}, {{2}}}}},
      {"the direct path",
       {{kF2, 0, 0, 1}, {kF3}},
       {{{Down(kF2), Down(kF3)}, {{1, true}, {2, false}}}}},
      {"a record without a callback is judged but runs nothing",
       {{kF2, 0, 0, 0, nullptr}, {kF3, 0, 0, 1, nullptr}},
       {{{Down(kF2), Down(kF3)}, {}, {kJudged, kJudged}}}},
      {"an inactive record is skipped and keeps its state until reactivated",
       {{kF2}, {kF3}},
       {{{Down(kF2)}, {{1}}, {kJudged, kIdle}},
        {{}, {}, {kJudged, kIdle}, Id(1)},
        {{Down(kF2)}, {}, {kJudged, kIdle}},
        {{Down(kF2)}, {}, {kJudged, kIdle}, {}, Registration{kF2}},
        {{}, {}, {kIdle, kIdle}},
        {{Down(kF2), Down(kF3)}, {{1}, {2}}, {kJudged, kJudged}}}},
      {"after ClearHotkey(0) nothing fires",
       {{kF2}, {kF3, 0, 0, 1}},
       {{{Down(kF2), Down(kF3)}, {}, {kIdle, kIdle}, 0}}},
  };

  for (const auto& s : scenarios) {
    SCOPED_TRACE(s.name);
    HotkeyTable table;
    FakePlatform platform;
    for (const auto& r : s.records)
      ASSERT_NE(AddHotkey(table, platform, r.callback, r.keyCode, r.modifiers, r.secondKey, 0, r.directCall), 0);
    for (std::size_t t = 0; t < s.ticks.size(); ++t) {
      const Tick& tick = s.ticks[t];
      SCOPED_TRACE(::testing::Message() << "tick " << t);
      if (tick.clearBefore) ClearHotkey(table, *tick.clearBefore);
      if (tick.addBefore) {
        const Registration& r = *tick.addBefore;
        AddHotkey(table, platform, r.callback, r.keyCode, r.modifiers, r.secondKey, 0, r.directCall);
      }
      platform.keys = {};
      for (const auto& [code, entry] : tick.keys) platform.keys[code] = entry;
      platform.firings.clear();
      PollHotkeys(table, platform);

      ASSERT_EQ(platform.firings.size(), tick.fired.size());
      for (std::size_t i = 0; i < tick.fired.size(); ++i) {
        const Firing& f = platform.firings[i];
        const Registration& r = s.records[tick.fired[i].n - 1];
        EXPECT_EQ(f.id, Id(tick.fired[i].n)) << "firing " << i;
        EXPECT_EQ(f.direct, tick.fired[i].direct) << "firing " << i;
        EXPECT_EQ(f.callback, r.callback) << "firing " << i;
      }
      if (!tick.states.empty()) {
        EXPECT_EQ(States(table), tick.states);
      }
    }
  }
}

// ---- a direct-path callback that registers during the tick ----------------------------------

HotkeyTable* tickTable = nullptr;
FakePlatform* tickPlatform = nullptr;
std::vector<int32_t> addedDuringTick;

void AddF3DuringTick(int32_t) {
  addedDuringTick.push_back(AddHotkey(*tickTable, *tickPlatform, Noop, kF3, 0, 0, 77));
}

TEST(HotkeyJudging, HotkeyAddedByADirectCallbackIsFirstJudgedNextTick) {
  HotkeyTable table;
  FakePlatform platform;
  tickTable = &table;
  tickPlatform = &platform;
  addedDuringTick.clear();
  ASSERT_EQ(AddHotkey(table, platform, AddF3DuringTick, kF2, 0, 0, 0, 1), Id(1));

  platform.keys[kF2] = kDown;
  platform.keys[kF3] = kDown;
  PollHotkeys(table, platform);
  ASSERT_EQ(addedDuringTick, std::vector<int32_t>{Id(2)});
  ASSERT_EQ(platform.firings.size(), 1u);  // F3's new record was not looked at in this tick
  EXPECT_EQ(States(table), (std::vector<uint8_t>{kJudged, kIdle}));
  EXPECT_EQ(platform.timers, std::vector<uint32_t>{10});  // no second timer

  PollHotkeys(table, platform);
  ASSERT_EQ(platform.firings.size(), 2u);
  EXPECT_EQ(platform.firings[1].id, Id(2));
  EXPECT_FALSE(platform.firings[1].direct);
  EXPECT_EQ(States(table), (std::vector<uint8_t>{kJudged, kJudged}));
  tickTable = nullptr;
  tickPlatform = nullptr;
}

TEST(HotkeyTable, FreeRecordsEmptiesTheTable) {
  HotkeyTable table;
  FakePlatform platform;
  AddHotkey(table, platform, Noop, kF2);
  AddHotkey(table, platform, Noop, kF3);
  table.FreeRecords();
  EXPECT_EQ(table.size(), 0u);
}

}  // namespace
