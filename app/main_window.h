// The main window: its layout, its skin behaviour, the entrance and the exit.
#pragma once

#include <string>

#include "toolkit/toolkit.h"

namespace app {

const toolkit::WindowLayout& MainWindowLayout();

// The one main window of the program (created by LoadMainWindow).
toolkit::Window& MainWindow();

// Loads the main window as the start window: hidden and centred, then its creation
// handler (early start-up tasks, entrance, late start-up tasks). Returns false when the
// window could not be created.
bool LoadMainWindow();

// The exit animation, then the end of the program with code 0. Never returns.
[[noreturn]] void FadeOutAndExit();

// The two status labels, settable from any thread (the text is marshalled to the
// user-interface thread).
enum class StatusLabel {
  Status,         // `透明标签1`: the status line
  CaptureStatus,  // `透明标签2`: the capture status
};
void SetStatusText(StatusLabel label, std::wstring text);

// Selected indices of the two key lists (from 0, -1 for none). User-interface thread only.
int CaptureKeySelection();  // `列表框1`
int UndoKeySelection();     // `列表框2`
void SetCaptureKeySelection(int index);
void SetUndoKeySelection(int index);

}  // namespace app
