// The hotkey binding: the two key lists, "设置热键" and "取消热键", and what a firing of the
// capture key does.
#pragma once

#include <cstdint>

#include "toolkit/toolkit.h"

namespace app {

// Connects the lists' and buttons' events of the main window to the binding.
void WireBinding(toolkit::Window& mainWindow);

// Selects in the two lists the key choice saved in the settings file; changes nothing when
// there is no file. Registers nothing. User-interface thread.
void RestoreKeyChoice();

// "设置热键" and "取消热键".
void SetHotkeyPressed();
void CancelHotkeyPressed();

// The callback the capture key is registered with: runs CaptureOrPaste on its own thread.
void CaptureKeyCallback(std::int32_t id);

}  // namespace app
