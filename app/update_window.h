// The small borderless window shown during the update check: its layout and its loading
// as a modal dialog.
#pragma once

#include <functional>

#include "toolkit/toolkit.h"

namespace app {

const toolkit::WindowLayout& UpdateWindowLayout();

// Loads the update window as a modal dialog over owner, runs onCreated (its creation
// handler) and returns once the window is gone. The dialog lives until something destroys
// it: a creation handler that never does so keeps it open for good.
void LoadUpdateWindow(HWND owner, const std::function<void(toolkit::Window&)>& onCreated);

// The update window's creation handler: the update check against the configured update page.
// Returns after closing the window when this is the current version; otherwise shows the
// message and ends the program. The page is kept in PageText.
void UpdateWindowCreated(toolkit::Window& updateWindow);

}  // namespace app
