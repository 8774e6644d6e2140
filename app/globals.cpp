#include "app/globals.h"

#include "hotkeys/hotkeys.h"

namespace app {

std::unique_ptr<clipboard::剪辑板类> ClipboardObject;
// Made once and never destroyed, so that its lock outlives every static destructor.
hotkeys::CaptureStateCell& CaptureState = *new hotkeys::CaptureStateCell;
std::string PageText;
std::int32_t HoverFlag = 0;
std::int32_t AnimationStep = 0;

void CreateGlobals() {
  ClipboardObject = std::make_unique<clipboard::剪辑板类>();
}

void ReleaseGlobals() {
  // Never unlocked: the process is ending, and no capture action may start on freed state.
  CaptureState.lock.lock();
  hotkeys::FreeHotkeyTable();
  std::string().swap(CaptureState.value);
  ClipboardObject.reset();
  std::string().swap(PageText);
}

}  // namespace app
