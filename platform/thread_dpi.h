// Per-thread DPI awareness for the span of a screen grab, loaded at run time (Windows 10
// 1607 and later; older systems and a process that declared awareness itself need nothing).
// A DPI-unaware thread on a scaled display sees a virtualised, scaled-down screen.
#pragma once

#include "platform/win.h"

namespace platform {

class ScopedPerMonitorDpi {
 public:
  ScopedPerMonitorDpi() {
    const auto set = SetFn();
    if (!set) return;
    // DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2 (-4), then PER_MONITOR_AWARE (-3).
    previous_ = set(reinterpret_cast<HANDLE>(static_cast<INT_PTR>(-4)));
    if (!previous_) previous_ = set(reinterpret_cast<HANDLE>(static_cast<INT_PTR>(-3)));
  }
  ScopedPerMonitorDpi(const ScopedPerMonitorDpi&) = delete;
  ScopedPerMonitorDpi& operator=(const ScopedPerMonitorDpi&) = delete;
  ~ScopedPerMonitorDpi() {
    if (previous_) SetFn()(previous_);
  }

 private:
  using SetThreadDpiAwarenessContextFn = HANDLE(WINAPI*)(HANDLE);
  static SetThreadDpiAwarenessContextFn SetFn() {
    static const auto fn = [] {
      HMODULE user32 = GetModuleHandleW(L"user32.dll");
      return user32 ? reinterpret_cast<SetThreadDpiAwarenessContextFn>(
                          reinterpret_cast<void*>(GetProcAddress(user32, "SetThreadDpiAwarenessContext")))
                    : nullptr;
    }();
    return fn;
  }
  HANDLE previous_ = nullptr;
};

}  // namespace platform
