// The platform's floor for a capture to the clipboard, which the benchmarks measure in the
// same run as what they time: one BitBlt of the primary display into a 16-bit DIB section
// plus one SetClipboardData.
#pragma once

#include <chrono>

#include "clipboard/clipboard_access.h"
#include "platform/gdi.h"

namespace bench {

inline double Ms(std::chrono::steady_clock::time_point a, std::chrono::steady_clock::time_point b) {
  return std::chrono::duration<double, std::milli>(b - a).count();
}

struct FloorTimes {
  double blit = 0, set = 0;
};

inline FloorTimes PlatformFloor(int width, int height) {
  FloorTimes t;
  const auto a = std::chrono::steady_clock::now();
  platform::WindowDC screen(nullptr);
  platform::UniqueMemoryDC memory(CreateCompatibleDC(screen.get()));
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 16;
  void* bits = nullptr;
  platform::UniqueBitmap dib(CreateDIBSection(screen.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  {
    platform::SelectionGuard selected(memory.get(), dib.get());
    BitBlt(memory.get(), 0, 0, width, height, screen.get(), 0, 0, SRCCOPY);
  }
  const auto b = std::chrono::steady_clock::now();
  {
    clipboard::ClipboardSession session(clipboard::ClipboardOwnerWindow(), 500);
    if (session) {
      EmptyClipboard();
      if (SetClipboardData(CF_BITMAP, dib.get())) dib.release();
    }
  }
  const auto c = std::chrono::steady_clock::now();
  t.blit = Ms(a, b);
  t.set = Ms(b, c);
  return t;
}

}  // namespace bench
