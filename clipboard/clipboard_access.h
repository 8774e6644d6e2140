// Opening the clipboard the way setting operations need it: with a window of our own as the
// owner (EmptyClipboard makes the opener's window the owner, and without one SetClipboardData
// may fail), closed again on every path.
#pragma once

#include "platform/win.h"

namespace clipboard {

// The program's clipboard owner: a message-only window on a thread of its own that keeps
// pumping messages for the life of the process, so that whatever the clipboard sends its
// owner (WM_DESTROYCLIPBOARD when another program empties it ...) is answered even while
// the worker threads that set the clipboard have long ended. Null if it could not be made.
HWND ClipboardOwnerWindow();

// OpenClipboard ... CloseClipboard.
class ClipboardSession {
 public:
  // Opens with `owner` (null: no owner, fine for reading). With patienceMs > 0, a clipboard
  // that another program holds open is tried again until that much time has passed.
  explicit ClipboardSession(HWND owner, DWORD patienceMs = 0);
  ClipboardSession(const ClipboardSession&) = delete;
  ClipboardSession& operator=(const ClipboardSession&) = delete;
  ~ClipboardSession();

  explicit operator bool() const { return open_; }

 private:
  bool open_ = false;
};

// How long the capture action waits for a busy clipboard before giving up.
inline constexpr DWORD kBusyClipboardPatienceMs = 500;

}  // namespace clipboard
