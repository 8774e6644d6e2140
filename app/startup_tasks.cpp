#include "app/startup_tasks.h"

namespace app {

// The start-up upkeep and the update check are not part of the program yet.
void EarlyStartupTasks(toolkit::Window&) {}

// Restoring the capture state and the key choice is not part of the program yet.
void LateStartupTasks(toolkit::Window&) {}

}  // namespace app
