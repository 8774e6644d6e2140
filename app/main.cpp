// Program entry: the program-wide state, the exit routine, the main window and the
// message loop. The command line is not looked at.
#include "app/globals.h"
#include "app/main_window.h"
#include "platform/win.h"
#include "toolkit/toolkit.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  toolkit::Start();
  app::CreateGlobals();
  toolkit::SetExitRoutine(app::ReleaseGlobals);
  if (!app::LoadMainWindow()) toolkit::ExitProgram(1);
  toolkit::ExitProgram(toolkit::RunMessageLoop());
}
