// Starts the program named by TARNWICK_EXE as a user would, waits until its main window has
// come in, closes it with Esc and expects exit code 0. Exit code of this program: 0 when all
// of that happened.
#include <cstdio>

#include "tests/support/driver.h"

int main() {
  using namespace std::chrono_literals;
  driver::Program program;
  if (!driver::Launch(program)) {
    std::puts("cannot start the program (TARNWICK_EXE)");
    return 1;
  }
  HWND main = nullptr;
  const bool shown = driver::WaitFor([&] {
    main = driver::FindMainWindow(program.pid);
    return main && driver::Alpha(main) == 240;
  }, 60s);
  if (!shown) {
    std::puts("the main window did not come in");
    return 1;
  }
  SetForegroundWindow(main);
  driver::PressKey(VK_ESCAPE);
  if (!program.WaitExit(15s) || program.exitCode != 0) {
    std::printf("the program did not end with code 0 on Esc (code %lu)\n", program.exitCode);
    return 1;
  }
  std::puts("started, main window shown, closed with Esc, exit code 0");
  return 0;
}
