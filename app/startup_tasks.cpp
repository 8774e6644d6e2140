#include "app/startup_tasks.h"

#include <mutex>

#include "app/binding.h"
#include "app/globals.h"

namespace app {

// The start-up upkeep and the update check are not part of the program yet.
void EarlyStartupTasks(toolkit::Window&) {}

// Arms the capture-or-paste alternation (the first firing captures) and shows the saved key
// choice. Nothing is registered until "设置热键" is pressed.
void LateStartupTasks(toolkit::Window&) {
  {
    std::lock_guard<std::mutex> hold(CaptureState.lock);
    CaptureState.value = "2";
  }
  RestoreKeyChoice();
}

}  // namespace app
