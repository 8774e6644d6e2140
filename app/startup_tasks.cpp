#include "app/startup_tasks.h"

#include <mutex>

#include "app/binding.h"
#include "app/config.h"
#include "app/globals.h"
#include "app/update_window.h"
#include "settings/upkeep.h"

namespace app {

// The upkeep (privilege, data folder, web shortcut, Start-menu items), then the update check
// in its modal window, which either returns or ends the program. The main window is still
// hidden throughout.
void EarlyStartupTasks(toolkit::Window& mainWindow) {
  settings::RunStartupUpkeep(config::kWebsite, settings::ProgramExecutablePath());
  LoadUpdateWindow(mainWindow.hwnd(), UpdateWindowCreated);
}

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
