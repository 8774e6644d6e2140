// In-process GDI leak probe that also works under Wine, where GetGuiResources reads 0.
// Wine hands out freed GDI handle slots last-in-first-out, so work that frees everything it
// made leaves the top of the free list as the same set of slots, and a probe that takes the
// first N free slots gets the same set before and after. Each leaked object takes one slot
// away for good, and the probe then reaches one deeper slot. An object that lives across
// the work (the clipboard's current bitmap, replaced by every set) moves between slots and
// accounts for one or two differences, so callers allow a small number. On Windows the
// object count itself is used.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <vector>

#include "platform/win.h"

namespace testsupport {

struct GdiSnapshot {
  DWORD count = 0;                    // GetGuiResources where it works
  std::vector<std::uint32_t> slots;  // else the probed slot indices, sorted
};

inline GdiSnapshot GdiProbe(int slots = 512) {
  GdiSnapshot s;
  s.count = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
  if (s.count) return s;
  std::vector<HRGN> regions;
  for (int i = 0; i < slots; ++i) {
    HRGN r = CreateRectRgn(0, 0, 1, 1);
    regions.push_back(r);
    s.slots.push_back(static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(r) & 0xFFFF));
  }
  // Freed in reverse, so the next probe gets the same slots in the same order.
  for (auto it = regions.rbegin(); it != regions.rend(); ++it) DeleteObject(*it);
  std::sort(s.slots.begin(), s.slots.end());
  return s;
}

// How much deeper the probe reaches after than before: objects kept for good push the
// deepest probed slot further (robust when the platform only permutes its own slots).
inline long GdiDepthGained(const GdiSnapshot& before, const GdiSnapshot& after) {
  if (before.count || after.count) return static_cast<long>(after.count) - static_cast<long>(before.count);
  if (before.slots.empty() || after.slots.empty()) return 0;
  return static_cast<long>(after.slots.back()) - static_cast<long>(before.slots.back());
}

// About how many GDI objects were made and not freed between the two snapshots.
inline std::size_t GdiObjectsGained(const GdiSnapshot& before, const GdiSnapshot& after) {
  if (before.count || after.count) return after.count > before.count ? after.count - before.count : 0;
  std::vector<std::uint32_t> lost;
  std::set_difference(before.slots.begin(), before.slots.end(), after.slots.begin(), after.slots.end(),
                      std::back_inserter(lost));
  return lost.size();
}

}  // namespace testsupport
