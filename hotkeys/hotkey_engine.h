// The hotkey engine's table and its judging of a tick. Portable: the four things it needs
// from the system (a thread timer, the asynchronous key state, a new thread, a direct call)
// come through HotkeyPlatform, so the judging runs natively against snapshots of our own.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace hotkeys {

// The routine a hotkey runs, given the id of the hotkey that fired. A plain function of our
// own type: the system's entry shapes (thread start routine, window procedure) are reached
// through small trampolines in the Win32 platform, never by casting this pointer.
using HotkeyCallback = void (*)(int32_t id);

// Press tracking of a record (HotkeyRecord::state).
inline constexpr uint8_t kIdle = 0;
inline constexpr uint8_t kHeld = 1;
inline constexpr uint8_t kReleased = 2;
inline constexpr uint8_t kJudged = 88;

// Modifier mask bits (the values of MOD_ALT, MOD_CONTROL, MOD_SHIFT and MOD_WIN).
inline constexpr int32_t kModAlt = 1;
inline constexpr int32_t kModControl = 2;
inline constexpr int32_t kModShift = 4;
inline constexpr int32_t kModWin = 8;

// Virtual-key codes the judging looks at as modifiers.
inline constexpr int kVkShift = 16;
inline constexpr int kVkControl = 17;
inline constexpr int kVkMenu = 18;
inline constexpr int kVkLWin = 91;

// Ids handed out: 1000001 for the first record appended, one more for each further one.
inline constexpr int32_t kIdBase = 1000000;
// The polling period when the first registration gives none.
inline constexpr uint32_t kDefaultPeriodMs = 10;
// The thread timer's event id.
inline constexpr uintptr_t kHotkeyTimerId = 16661;

struct HotkeyRecord {
  int32_t id = 0;  // 1000001 or above while active; 0 marks an inactive record
  HotkeyCallback callback = nullptr;
  int32_t keyCode = 0;  // low 8 bits of |keyCode| are the key; negative: fire on release
  int32_t modifiers = 0;  // exact mask of Alt 1, Ctrl 2, Shift 4, Win 8 that must be held
  int32_t secondKey = 0;  // 0, or a key (low 8 bits of its absolute value) that must be held
  uint8_t state = kIdle;
  int32_t directCall = 0;  // nonzero: call on the polling thread inside the tick
};

// The ordered list of hotkeys. Records are allocated one by one and only ever appended, so
// a record keeps its position (counted from 1) and its address for the table's life, also
// while a direct-path callback appends to the table during a tick.
class HotkeyTable {
 public:
  HotkeyTable() = default;
  HotkeyTable(const HotkeyTable&) = delete;
  HotkeyTable& operator=(const HotkeyTable&) = delete;

  std::size_t size() const { return records_.size(); }
  // position counts from 1
  HotkeyRecord& at(std::size_t position) { return *records_[position - 1]; }
  const HotkeyRecord& at(std::size_t position) const { return *records_[position - 1]; }
  void Append(std::unique_ptr<HotkeyRecord> record) { records_.push_back(std::move(record)); }
  // Frees every record, leaving the table empty.
  void FreeRecords();

 private:
  std::vector<std::unique_ptr<HotkeyRecord>> records_;
};

// What the engine asks of the system.
class HotkeyPlatform {
 public:
  // Starts the thread timer (event id kHotkeyTimerId) whose ticks poll the program's table.
  virtual void CreateTimer(uint32_t periodMs) = 0;
  // The asynchronous state of one key, code 1 to 255.
  virtual int16_t ReadKeyState(int code) = 0;
  // Runs callback(id) on a new thread that nobody waits for.
  virtual void StartThread(HotkeyCallback callback, int32_t id) = 0;
  // Runs callback(id) now, on this thread.
  virtual void CallDirect(HotkeyCallback callback, int32_t id) = 0;

 protected:
  ~HotkeyPlatform() = default;
};

// One entry per virtual-key code; entry 0 is never read from the system and stays 0.
// Negative: down. 0: up. Positive: up, but pressed since the previous query.
using KeySnapshot = std::array<int16_t, 256>;

// The code a keyCode or secondKey looks at: the low 8 bits of its absolute value
// (113, -113 and 369 all name F2). 0 means no key.
int KeyIndex(int32_t value);

// Registers a hotkey, or updates/reactivates the record with the same keyCode, modifiers and
// secondKey, and returns its id. Returns 0 and changes nothing when keyCode names no key,
// and also when a nonzero secondKey names no key: such a record could never fire, so the
// caller hears of it at once instead of holding a dead id. The registration that appends to
// the empty table creates the timer, with `interval` if it is 1 or more, else 10 ms.
int32_t AddHotkey(HotkeyTable& table, HotkeyPlatform& platform, HotkeyCallback callback, int32_t keyCode,
                  int32_t modifiers = 0, int32_t secondKey = 0, int32_t interval = 0, int32_t directCall = 0);

// id 0: deactivates every record and returns true. Otherwise deactivates the first record
// holding that id and returns true, or returns false when none does.
bool ClearHotkey(HotkeyTable& table, int32_t id = 0);

// The mask of modifiers held in a snapshot (Alt 1, Ctrl 2, Shift 4, left Windows key 8).
int32_t HeldModifiers(const KeySnapshot& snapshot);

// Reads, ascending and once each, the states of the keys the active records look at: their
// keys, their second keys and, when any record is active, the four modifiers. The other
// entries stay 0. A table with no active record reads nothing.
KeySnapshot TakeKeySnapshot(const HotkeyTable& table, HotkeyPlatform& platform);

// Judges every record present when the walk begins against one snapshot, updating their
// states and firing those that were just pressed (or released, in release mode).
void JudgeTick(HotkeyTable& table, const KeySnapshot& snapshot, HotkeyPlatform& platform);

// One tick: a fresh snapshot, then the judging.
void PollHotkeys(HotkeyTable& table, HotkeyPlatform& platform);

}  // namespace hotkeys
