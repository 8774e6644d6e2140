// Helpers for tests that drive the real tarnwick.exe from a second process: start it,
// find its windows, read them from outside, and move and click the real mouse.
#pragma once

#include <chrono>
#include <functional>
#include <string>
#include <vector>

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
// Starts a program of ours at a Windows path with arguments. stdIn and stdOut, when given,
// are inheritable handles the program gets as its standard input and output.
bool StartPath(Program& program, const std::wstring& path, const std::wstring& arguments, HANDLE stdIn = nullptr,
               HANDLE stdOut = nullptr);
// The same for a program named by an environment variable (a Linux path).
bool Start(Program& program, const char* exeVariable, const std::wstring& arguments);
// The program's main window once its entrance is done (alpha 240), or null after the limit.
HWND WaitMainWindowIn(const Program& program, std::chrono::milliseconds limit = std::chrono::seconds(60));
// Asks the program to close through its main window; true when it ended in time (the exit
// code is then in program.exitCode).
bool Close(Program& program, HWND main, std::chrono::milliseconds limit = std::chrono::seconds(15));
// Ends a helper program of ours at once, if it still runs.
void Stop(Program& program);

// The program's main window (visible only, unless told otherwise), or null. The update
// window, of the same class, is never taken for it.
HWND FindMainWindow(DWORD pid, bool visibleOnly = true);
// The program's update window (the one with the progress bar), or null.
HWND FindUpdateWindow(DWORD pid, bool visibleOnly = true);
// Any descendant of root with the given control id, or null.
HWND FindControl(HWND root, int id);

std::wstring Text(HWND hwnd);            // WM_GETTEXT, across processes
std::wstring ControlText(HWND root, int id);
// Waits until the control reads `text`; `whileWaiting` runs between looks (to pump this
// process's own windows). True when it did.
bool WaitControlText(HWND root, int id, const std::wstring& text,
                     std::chrono::milliseconds limit = std::chrono::seconds(5),
                     const std::function<void()>& whileWaiting = {});
void ClickControl(HWND root, int id);      // a real click at the control's centre
// Selects a list item the way a user does: scrolls it into view and clicks it; true when
// the list then shows it selected.
bool ChooseListItem(HWND list, int index);
// The main window's "设置热键" clicked, until the status says the key is set.
// The status after "设置热键": the choice saved, or set for this run only.
inline const wchar_t* const kStatusSaved = L"状态：成功设置热键";
inline const wchar_t* const kStatusNotSaved = L"状态：已设热键，保存失败";
bool SetHotkey(HWND main, const wchar_t* status = kStatusSaved);
RECT RectInParent(HWND control);          // position in the parent's client area
BYTE Alpha(HWND hwnd);                    // layered alpha, or 255 when not layered
HWND CaptureOf(HWND window);              // mouse capture of the window's thread
COLORREF ScreenPixel(int x, int y);
bool SaveScreenshot(const std::wstring& bmpPath);  // the whole primary screen as a BMP file
bool SaveScreenshot(const std::wstring& bmpPath, const RECT& area);  // a part of it

void MoveMouse(int x, int y);             // SendInput, absolute
void Click(int x, int y);                 // move, left down, left up
void ClickHere();                         // left down, left up where the pointer is
void LeftButton(int x, int y, bool down);  // left down or up at (x, y), the position on the event
void PressKey(WORD vk);
void SendKey(WORD vk, bool down);         // one key event
// Lets a key go and waits until it is seen up here, then a little longer (`settle`) so that
// a few polls of the program see it up before the next press.
void ReleaseKey(WORD vk, std::chrono::milliseconds settle = std::chrono::milliseconds(50));
// Holds a key down until `answered` holds (or the limit passes), then releases it; true when
// answered. Under Wine a focus change resets the key state to the X server's keyboard, which
// can wipe out a key injected a moment before: a press that is gone while nothing has
// answered yet (`unchanged` still holds) is pressed again, as a person would.
bool PressUntil(WORD vk, const std::function<bool()>& answered, const std::function<bool()>& unchanged,
                std::chrono::milliseconds limit = std::chrono::seconds(20));
// PressUntil for the usual answer: the control `id` of root reads `text`. A press that is
// gone while the control still reads what it read before is pressed again.
bool PressUntilText(WORD vk, HWND root, int id, const std::wstring& text,
                    const std::function<void()>& whileWaiting = {});
POINT CentreOnScreen(HWND hwnd);

// A file's bytes ("" when it cannot be read).
std::string ReadFileBytes(const std::wstring& path);

// The paste target (PASTE_TARGET_EXE): a window of ours that logs the keys it gets and what
// each Ctrl+V finds on the clipboard. Ended when this goes.
class PasteTarget {
 public:
  explicit PasteTarget(std::wstring logPath) : log_(std::move(logPath)) {}
  ~PasteTarget() { Stop(program_); }
  // Starts it at the given place, in front of everything, and waits until it has the focus;
  // its window, or null.
  HWND Start(int x = 20, int y = 20, int width = 640, int height = 360);
  std::vector<std::string> Lines() const;    // its log, a line each
  int Count(const std::string& line) const;  // lines that are exactly `line`
  int Pastes() const;                        // Ctrl+V it took ("paste ..." lines)
  Program& program() { return program_; }

 private:
  std::wstring log_;
  Program program_;
};

// A helper process of ours driven through its standard input and output: one command a line
// in, one answer a line out.
class CommandedProcess {
 public:
  CommandedProcess() = default;
  CommandedProcess(const CommandedProcess&) = delete;
  CommandedProcess& operator=(const CommandedProcess&) = delete;
  ~CommandedProcess();  // "quit", the end of its input, and a wait for it to end
  bool Start(const std::wstring& path);
  // Sends a command and waits for the answer (the line without its end); false when none
  // came within the limit or the helper ended. `whileWaiting` runs between looks (to pump
  // this process's messages).
  bool Command(const std::string& command, std::string* answer = nullptr,
               std::chrono::milliseconds limit = std::chrono::seconds(10),
               const std::function<void()>& whileWaiting = {});
  // Waits for the next line it writes, as Command does.
  bool ReadLine(std::string& line, std::chrono::milliseconds limit = std::chrono::seconds(10),
                const std::function<void()>& whileWaiting = {});
  HANDLE process() const { return program_.process.get(); }

 private:
  Program program_;
  platform::UniqueHandle toChild_, fromChild_;
  std::string pending_;  // read but not yet taken
};

// The Linux process behind a Windows one, for figures Wine does not give (Wine shows the
// Linux root as Z:, so /proc can be read from here): the one whose first argument is the
// program at this Linux path (as a Linux or a Z: path); 0 if none.
long LinuxPidOf(const std::string& unixExePath);
// The first Linux process for which match(pid) holds; 0 if none (or not under Wine).
long FindLinuxProcess(const std::function<bool(long linuxPid)>& match);
// A file of /proc/<linuxPid>/ ("" when it cannot be read).
// The resident set of a Linux process in kB (VmRSS), -1 when unknown.
long LinuxResidentKb(long linuxPid);
std::string LinuxProcFile(long linuxPid, const wchar_t* name);

}  // namespace driver
