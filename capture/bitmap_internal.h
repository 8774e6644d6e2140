// Helpers that the bitmap object's source files share (not for callers of the class).
#pragma once

#include <cstdint>

#include "platform/win.h"

namespace capture::detail {

// A DIB section as every one of the class is made: 40-byte header, BI_RGB, no colour table,
// rows bottom-up for a positive height.
HBITMAP NewDibSection(HDC dc, std::int32_t width, std::int32_t height, std::int32_t bitCount);

// The BITMAP record of a handle; false when it is not a bitmap (null included).
bool BitmapRecord(HBITMAP bitmap, BITMAP& record);

// 8 bits per pixel or fewer: the class carries no colour table, so it refuses these.
bool IsPaletteDepth(std::int32_t bitCount);

}  // namespace capture::detail
