// Every private window message of the program, in one place so no two collide.
#pragma once

#include "platform/win.h"

namespace toolkit {

enum PrivateMessage : UINT {
  // Posted to a transparent label by a thread other than its own: lParam is a
  // std::wstring* with the new text, owned (and deleted) by the receiver.
  kMsgSetLabelText = WM_APP + 1,
};

}  // namespace toolkit
