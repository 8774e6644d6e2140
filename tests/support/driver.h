// Helpers for tests that drive the real tarnwick.exe from a second process: start it,
// find its windows, read them from outside, and move and click the real mouse.
#pragma once

#include <chrono>
#include <functional>
#include <string>

#include "platform/unique.h"
#include "platform/win.h"

namespace driver {

using Clock = std::chrono::steady_clock;

// Polls cond until it holds or the deadline passes; true when it held.
bool WaitFor(const std::function<bool()>& cond, std::chrono::milliseconds limit = std::chrono::seconds(15));

// A Linux path as Wine sees it (drive Z: is the Linux root).
std::wstring WinePath(const std::string& unixPath);

struct Program {
  platform::UniqueHandle process;
  DWORD pid = 0;
  DWORD exitCode = STILL_ACTIVE;
  // Waits for the process to end; true when it ended in time (exitCode is then set).
  bool WaitExit(std::chrono::milliseconds limit = std::chrono::seconds(15));
  bool Running() const;
  ~Program();  // ends a program the test left running
};

// Starts the program named by the environment variable TARNWICK_EXE.
bool Launch(Program& program);

// The program's main window (visible only, unless told otherwise), or null. The update
// window, of the same class, is never taken for it.
HWND FindMainWindow(DWORD pid, bool visibleOnly = true);
// The program's update window (the one with the progress bar), or null.
HWND FindUpdateWindow(DWORD pid, bool visibleOnly = true);
// Any descendant of root with the given control id, or null.
HWND FindControl(HWND root, int id);

std::wstring Text(HWND hwnd);            // WM_GETTEXT, across processes
RECT RectInParent(HWND control);          // position in the parent's client area
BYTE Alpha(HWND hwnd);                    // layered alpha, or 255 when not layered
HWND CaptureOf(HWND window);              // mouse capture of the window's thread
COLORREF ScreenPixel(int x, int y);
bool SaveScreenshot(const std::wstring& bmpPath);  // the whole primary screen as a BMP file
bool SaveScreenshot(const std::wstring& bmpPath, const RECT& area);  // a part of it

void MoveMouse(int x, int y);             // SendInput, absolute
void Click(int x, int y);                 // move, left down, left up
void ClickHere();                         // left down, left up where the pointer is
void PressKey(WORD vk);
// Holds a key down until `answered` holds (or the limit passes), then releases it; true when
// answered. Under Wine a focus change resets the key state to the X server's keyboard, which
// can wipe out a key injected a moment before: a press that is gone while nothing has
// answered yet (`unchanged` still holds) is pressed again, as a person would.
bool PressUntil(WORD vk, const std::function<bool()>& answered, const std::function<bool()>& unchanged,
                std::chrono::milliseconds limit = std::chrono::seconds(20));
POINT CentreOnScreen(HWND hwnd);

}  // namespace driver
