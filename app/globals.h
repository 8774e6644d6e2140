// The program-wide state, created at entry and living until the process ends.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

namespace app {

// Stand-in for the hotkey engine's table until the engine lands in hotkeys/; ReleaseGlobals
// empties whatever table takes its place.
struct HotkeyTablePlaceholder {
  void clear() {}
};
// Stand-in for the clipboard object class `剪辑板类` until the clipboard code lands.
struct ClipboardObjectPlaceholder {};

extern HotkeyTablePlaceholder HotkeyTable;
extern std::unique_ptr<ClipboardObjectPlaceholder> ClipboardObject;
extern std::string CaptureState;  // "2" after start-up and after a paste, "1" after a capture
extern std::string PageText;      // body of the update page
extern std::int32_t HoverFlag;    // 1 while the minimise or close box shows its hover picture
extern std::int32_t AnimationStep;  // pass counter shared by the entrance and the exit

// Held by the capture action while it uses the state above and by ReleaseGlobals while it
// frees it: a capture thread still running at exit must not find freed state.
extern std::mutex CaptureLock;

// Entry: the empty table and the one clipboard object.
void CreateGlobals();
// The exit routine: frees the state, once, at every orderly end.
void ReleaseGlobals();

}  // namespace app
