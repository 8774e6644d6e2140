// The two groups of start-up tasks that the main window's creation handler runs before
// and after the entrance.
#pragma once

#include "toolkit/toolkit.h"

namespace app {

// Runs while the main window is still invisible. Returns only when the program may go on.
void EarlyStartupTasks(toolkit::Window& mainWindow);
// Runs once the entrance has ended.
void LateStartupTasks(toolkit::Window& mainWindow);

}  // namespace app
