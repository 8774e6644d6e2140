// What one firing of the capture key does: capture the screen to the clipboard, or paste it
// into the foreground program, alternately. Portable: the platform work comes in as Ops.
#pragma once

#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

namespace hotkeys {

enum class ActionOutcome { Captured, Pasted, CaptureFailed };

struct CaptureOrPasteOps {
  std::function<std::vector<uint8_t>()> captureScreen;                   // whole screen as BMP file bytes
  std::function<bool(const std::vector<uint8_t>&)> putImageOnClipboard;  // true once the clipboard holds it
  std::function<void()> sendPasteKeys;                                   // Ctrl down, V down, Ctrl up, V up
  std::function<void(ActionOutcome)> showOutcome;                        // the capture status label
};

// CaptureState: "2" after start-up and after a paste, "1" after a capture. Every action runs
// under `lock`, so two firings that overlap never both capture or both paste: the second
// waits and then reads what the first left.
struct CaptureStateCell {
  std::mutex lock;
  std::string value;
};

// Runs one action and returns what it did. A capture that did not reach the clipboard is
// reported as failed and leaves the state at "2", so the next firing captures again instead
// of pasting stale clipboard content.
ActionOutcome CaptureOrPaste(CaptureStateCell& state, const CaptureOrPasteOps& ops);

}  // namespace hotkeys
