#include "app/globals.h"

namespace app {

HotkeyTablePlaceholder HotkeyTable;
std::unique_ptr<ClipboardObjectPlaceholder> ClipboardObject;
std::string CaptureState;
std::string PageText;
std::int32_t HoverFlag = 0;
std::int32_t AnimationStep = 0;
std::mutex CaptureLock;

void CreateGlobals() {
  HotkeyTable.clear();
  ClipboardObject = std::make_unique<ClipboardObjectPlaceholder>();
}

void ReleaseGlobals() {
  std::lock_guard<std::mutex> lock(CaptureLock);
  HotkeyTable.clear();
  std::string().swap(CaptureState);
  ClipboardObject.reset();
  std::string().swap(PageText);
}

}  // namespace app
