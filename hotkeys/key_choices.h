// The seventeen keys of both key lists: list index -> item text -> virtual-key code.
// Portable: builds natively too.
#pragma once

#include <optional>

namespace hotkeys {

struct KeyChoice {
  const wchar_t* captureListText;  // item in the capture-key list (F2 marked as default)
  const wchar_t* undoListText;     // item in the undo-key list (F3 marked as default)
  int virtualKey;
};

inline constexpr int kKeyChoiceCount = 17;
inline constexpr int kDefaultCaptureIndex = 1;  // "F2键（默认）"
inline constexpr int kDefaultUndoIndex = 2;     // "F3键（默认）"

extern const KeyChoice KeyChoiceTable[kKeyChoiceCount];

// The virtual-key code of a list index, or nothing for an index outside 0..16.
std::optional<int> VirtualKeyOfIndex(int index);

}  // namespace hotkeys
