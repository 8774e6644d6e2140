// In-process GDI leak probe that also works under Wine, where GetGuiResources reads 0.
// Wine hands out freed GDI handle slots last-in-first-out, so work that frees everything it
// made leaves the top of the free list as the same set of slots; the first N slots a probe
// gets are then the same before and after. A leaked object takes a slot away for good, and
// the probe then reaches one deeper slot. On Windows the object count itself is used.
#pragma once

#include <algorithm>
#include <cstdint>
#include <vector>

#include "platform/win.h"

namespace testsupport {

inline std::vector<std::uint32_t> GdiProbe(int slots = 256) {
  if (const DWORD n = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS)) return {n};
  std::vector<HRGN> regions;
  std::vector<std::uint32_t> indices;
  for (int i = 0; i < slots; ++i) {
    HRGN r = CreateRectRgn(0, 0, 1, 1);
    regions.push_back(r);
    indices.push_back(static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(r) & 0xFFFF));
  }
  // Freed in reverse, so the next probe gets the same slots in the same order.
  for (auto it = regions.rbegin(); it != regions.rend(); ++it) DeleteObject(*it);
  std::sort(indices.begin(), indices.end());
  return indices;
}

}  // namespace testsupport
