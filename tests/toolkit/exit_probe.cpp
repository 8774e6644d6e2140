// A tiny program for the exit routine test: ends in the way its first argument names and
// appends "ran" to the file of its second argument each time the exit routine runs.
#include <cstdio>
#include <string>

#include "toolkit/toolkit.h"

namespace {
std::wstring g_marks;
void Mark() {
  if (FILE* f = _wfopen(g_marks.c_str(), L"ab")) {
    std::fputs("ran\n", f);
    std::fclose(f);
  }
}
const toolkit::ControlLayout kNone[] = {
    {.id = 1, .name = L"标签", .kind = toolkit::Kind::TransparentLabel, .parent = 0, .x = 0, .y = 0,
     .width = 10, .height = 10},
};
const toolkit::WindowLayout kLayout{.caption = L"probe", .width = 50, .height = 50, .escCloses = true,
                                    .controls = kNone};
}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 3) return 2;
  const std::wstring how = argv[1];
  g_marks = argv[2];
  toolkit::Start();
  toolkit::SetExitRoutine(Mark);
  if (how == L"exit") toolkit::ExitProgram(7);
  if (how == L"return") return 5;
  if (how == L"quit") {
    PostQuitMessage(4);
    toolkit::ProcessPendingEvents();  // the quit request ends the program here
    return 3;
  }
  if (how == L"close") {
    toolkit::Window window(kLayout);
    window.Create();
    toolkit::SetStartWindow(window.hwnd());
    PostMessageW(window.hwnd(), WM_KEYDOWN, VK_ESCAPE, 0);  // Esc closes it
    toolkit::ExitProgram(toolkit::RunMessageLoop());
  }
  return 2;
}
