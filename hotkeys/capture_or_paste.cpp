#include "hotkeys/capture_or_paste.h"

namespace hotkeys {

ActionOutcome CaptureOrPaste(CaptureStateCell& state, const CaptureOrPasteOps& ops) {
  std::lock_guard<std::mutex> hold(state.lock);
  ActionOutcome outcome;
  if (state.value != "2") {
    ops.sendPasteKeys();
    state.value = "2";
    outcome = ActionOutcome::Pasted;
  } else {
    std::vector<uint8_t> bytes = ops.captureScreen();
    const bool placed = !bytes.empty() && ops.putImageOnClipboard(bytes);
    bytes.clear();
    bytes.shrink_to_fit();
    if (placed) {
      state.value = "1";
      outcome = ActionOutcome::Captured;
    } else {
      outcome = ActionOutcome::CaptureFailed;
    }
  }
  ops.showOutcome(outcome);
  return outcome;
}

}  // namespace hotkeys
