// The program-wide state, created at entry and living until the process ends.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "clipboard/clipboard_object.h"
#include "hotkeys/capture_or_paste.h"

namespace app {

// The hotkey table is the engine's own (hotkeys/hotkeys.h); ReleaseGlobals frees it.

extern std::unique_ptr<clipboard::剪辑板类> ClipboardObject;  // the program's one clipboard object
// "2" after start-up and after a paste, "1" after a capture. Its lock is held by the capture
// action while it runs and taken for good by ReleaseGlobals: a capture thread still running
// at exit finishes first, and one that starts later never finds freed state.
extern hotkeys::CaptureStateCell& CaptureState;
extern std::string PageText;      // body of the update page
extern std::int32_t HoverFlag;    // 1 while the minimise or close box shows its hover picture
extern std::int32_t AnimationStep;  // pass counter shared by the entrance and the exit

// Entry: the empty table and the one clipboard object.
void CreateGlobals();
// The exit routine: frees the state, once, at every orderly end.
void ReleaseGlobals();

}  // namespace app
