// RAII for GDI: owned objects and memory DCs, a window's DC (released with its window), and a
// selection that puts the previous object back, so that no bitmap stays selected on any path.
#pragma once

#include <utility>

#include "platform/unique.h"
#include "platform/win.h"

namespace platform {

using UniqueBitmap = Unique<HBITMAP, DeleteObject>;
using UniqueBrush = Unique<HBRUSH, DeleteObject>;
using UniqueGdiObject = Unique<HGDIOBJ, DeleteObject>;
using UniqueMemoryDC = Unique<HDC, DeleteDC>;

// GetDC/ReleaseDC pair; the window is kept because ReleaseDC needs the same one (null for
// the screen).
class WindowDC {
 public:
  WindowDC() = default;
  explicit WindowDC(HWND window) : window_(window), dc_(GetDC(window)) {}
  WindowDC(const WindowDC&) = delete;
  WindowDC& operator=(const WindowDC&) = delete;
  WindowDC(WindowDC&& other) noexcept
      : window_(std::exchange(other.window_, nullptr)), dc_(std::exchange(other.dc_, nullptr)) {}
  WindowDC& operator=(WindowDC&& other) noexcept {
    if (this != &other) {
      reset();
      window_ = std::exchange(other.window_, nullptr);
      dc_ = std::exchange(other.dc_, nullptr);
    }
    return *this;
  }
  ~WindowDC() { reset(); }

  HDC get() const { return dc_; }
  HWND window() const { return window_; }
  explicit operator bool() const { return dc_ != nullptr; }
  void reset() {
    if (dc_) ReleaseDC(window_, dc_);
    dc_ = nullptr;
    window_ = nullptr;
  }

 private:
  HWND window_ = nullptr;
  HDC dc_ = nullptr;
};

// SelectObject with the previous object put back when the guard ends (or at restore()).
// Declare it after the DC and the object it selects, so it ends before them.
class SelectionGuard {
 public:
  SelectionGuard() = default;
  SelectionGuard(HDC dc, HGDIOBJ object) : dc_(dc) {
    if (dc_ && object) previous_ = SelectObject(dc_, object);
    if (!previous_ || previous_ == HGDI_ERROR) {
      previous_ = nullptr;
      dc_ = nullptr;
    }
  }
  SelectionGuard(const SelectionGuard&) = delete;
  SelectionGuard& operator=(const SelectionGuard&) = delete;
  SelectionGuard(SelectionGuard&& other) noexcept
      : dc_(std::exchange(other.dc_, nullptr)), previous_(std::exchange(other.previous_, nullptr)) {}
  SelectionGuard& operator=(SelectionGuard&& other) noexcept {
    if (this != &other) {
      restore();
      dc_ = std::exchange(other.dc_, nullptr);
      previous_ = std::exchange(other.previous_, nullptr);
    }
    return *this;
  }
  ~SelectionGuard() { restore(); }

  // True when the object was selected.
  explicit operator bool() const { return dc_ != nullptr; }
  void restore() {
    if (dc_) SelectObject(dc_, previous_);
    dc_ = nullptr;
    previous_ = nullptr;
  }

 private:
  HDC dc_ = nullptr;
  HGDIOBJ previous_ = nullptr;
};

}  // namespace platform
