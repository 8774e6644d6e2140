// GDI objects of another process, counted from outside. GetGuiResources reads 0 under Wine,
// so the count comes from the process's GDI handle table, which its PEB points at
// (GdiSharedHandleTable) and which ReadProcessMemory reads on Windows and under Wine alike:
// a live entry has a non-zero type; on Windows the table is shared by the session and an
// entry names its owner's process id, under Wine each process has a table of its own and
// the owner is left 0. Stock objects are not counted.
#pragma once

#include "platform/win.h"

namespace testsupport {

// The GDI objects `process` holds (it needs PROCESS_QUERY_INFORMATION | PROCESS_VM_READ),
// or -1 when its table cannot be read.
long CountGdiObjects(HANDLE process);

// All the figures there are for a process's GDI and USER objects and handles.
struct GuiFigures {
  long gdiTable = -1;                  // CountGdiObjects
  DWORD gdi = 0, user = 0, handles = 0;  // GetGuiResources, GetProcessHandleCount (0 under Wine)
};
GuiFigures MeasureGui(HANDLE process);

}  // namespace testsupport
