#include "hotkeys/hotkey_engine.h"

#include <limits>

namespace hotkeys {

void HotkeyTable::FreeRecords() {
  for (auto& record : records_) record.reset();
  records_.clear();
  records_.shrink_to_fit();
}

int KeyIndex(int32_t value) {
  // Negate in unsigned arithmetic: -INT32_MIN does not exist as an int32.
  const uint32_t magnitude = value < 0 ? 0u - static_cast<uint32_t>(value) : static_cast<uint32_t>(value);
  return static_cast<int>(magnitude & 0xFFu);
}

int32_t AddHotkey(HotkeyTable& table, HotkeyPlatform& platform, HotkeyCallback callback, int32_t keyCode,
                  int32_t modifiers, int32_t secondKey, int32_t interval, int32_t directCall) {
  if (KeyIndex(keyCode) == 0) return 0;
  if (secondKey != 0 && KeyIndex(secondKey) == 0) return 0;

  const std::size_t count = table.size();
  for (std::size_t position = 1; position <= count; ++position) {
    HotkeyRecord& record = table.at(position);
    if (record.keyCode != keyCode || record.modifiers != modifiers || record.secondKey != secondKey) continue;
    record.callback = callback;
    record.directCall = directCall;
    if (record.id == 0) record.id = kIdBase + static_cast<int32_t>(position);  // its id when appended
    return record.id;
  }

  // Ids are int32: a table cannot grow past the last id there is.
  if (count >= static_cast<std::size_t>(std::numeric_limits<int32_t>::max() - kIdBase)) return 0;

  auto record = std::make_unique<HotkeyRecord>();
  record->id = kIdBase + 1 + static_cast<int32_t>(count);
  record->callback = callback;
  record->keyCode = keyCode;
  record->modifiers = modifiers;
  record->secondKey = secondKey;
  record->state = kIdle;
  record->directCall = directCall;
  const int32_t id = record->id;
  table.Append(std::move(record));

  // Records are never removed, so only one registration in a run finds the table empty:
  // the timer is made once and the first registration fixes the period.
  if (id == kIdBase + 1) platform.CreateTimer(interval >= 1 ? static_cast<uint32_t>(interval) : kDefaultPeriodMs);
  return id;
}

bool ClearHotkey(HotkeyTable& table, int32_t id) {
  const std::size_t count = table.size();
  for (std::size_t position = 1; position <= count; ++position) {
    HotkeyRecord& record = table.at(position);
    if (id == 0) {
      record.id = 0;
    } else if (record.id == id) {
      record.id = 0;
      return true;
    }
  }
  return id == 0;
}

int32_t HeldModifiers(const KeySnapshot& snapshot) {
  int32_t held = 0;
  if (snapshot[kVkMenu] < 0) held |= kModAlt;
  if (snapshot[kVkControl] < 0) held |= kModControl;
  if (snapshot[kVkShift] < 0) held |= kModShift;
  if (snapshot[kVkLWin] < 0) held |= kModWin;
  return held;
}

KeySnapshot TakeKeySnapshot(const HotkeyTable& table, HotkeyPlatform& platform) {
  // Only the entries the judging can look at are read: each read is a system call, and the
  // program polls every 10 ms for weeks (all 255 took 1.5 ms a tick under Wine, a fifth of a
  // core while idle). The entries left unread stay 0 and are never looked at.
  std::array<bool, 256> needed{};
  bool anyActive = false;
  for (std::size_t position = 1; position <= table.size(); ++position) {
    const HotkeyRecord& record = table.at(position);
    if (record.id == 0) continue;
    anyActive = true;
    needed[KeyIndex(record.keyCode)] = true;
    needed[KeyIndex(record.secondKey)] = true;  // 0 when there is none: entry 0 is never read
  }
  if (anyActive) {
    needed[kVkShift] = needed[kVkControl] = needed[kVkMenu] = needed[kVkLWin] = true;
  }

  KeySnapshot snapshot{};
  for (int code = 1; code <= 255; ++code) {
    if (needed[code]) snapshot[code] = platform.ReadKeyState(code);
  }
  return snapshot;
}

void JudgeTick(HotkeyTable& table, const KeySnapshot& snapshot, HotkeyPlatform& platform) {
  // A direct-path callback may append records: they are first looked at in the next tick.
  const std::size_t count = table.size();
  for (std::size_t position = 1; position <= count; ++position) {
    HotkeyRecord& record = table.at(position);
    if (record.id == 0) continue;  // inactive: its state stays as it was

    const int16_t entry = snapshot[KeyIndex(record.keyCode)];
    if (entry == 0) {
      if (record.state != kHeld) {
        record.state = kIdle;
        continue;
      }
      record.state = kReleased;
    } else if (entry < 0) {
      if (record.state == kIdle) record.state = kHeld;
      if (record.keyCode < 0) continue;  // release mode waits for the key to go up
    }
    // entry > 0 (pressed and released since the previous tick): judged with the state as it is.

    if (record.state == kIdle || record.state == kJudged) continue;
    // Judged whatever the outcome below: a press with the wrong modifiers is lost until the
    // key has been seen up again.
    record.state = kJudged;

    if (record.modifiers != HeldModifiers(snapshot)) continue;
    // A second key that names no key (refused at registration) is never down: entry 0 is 0.
    if (record.secondKey != 0 && snapshot[KeyIndex(record.secondKey)] >= 0) continue;

    const int32_t id = record.id;
    const HotkeyCallback callback = record.callback;
    if (callback == nullptr) continue;  // nothing to run; a thread at address 0 would end the process
    if (record.directCall != 0) {
      platform.CallDirect(callback, id);
    } else {
      platform.StartThread(callback, id);
    }
  }
}

void PollHotkeys(HotkeyTable& table, HotkeyPlatform& platform) {
  const KeySnapshot snapshot = TakeKeySnapshot(table, platform);
  JudgeTick(table, snapshot, platform);
}

}  // namespace hotkeys
