// CaptureImage: a rectangle of the screen, or of a window's own rendering, as BMP file bytes
// (see bmp_layout.h). With every argument omitted: the whole primary display, 16 bits 5-5-5.
#pragma once

#include <cstdint>
#include <optional>

#include "capture/bmp_layout.h"
#include "platform/win.h"

namespace capture {

// window: screen mode: none when null or negative as a 32-bit value; the edges are then
//   screen coordinates of the primary display, else offsets from the window's client origin.
// left, top, right, bottom: inclusive edges; an omitted right or bottom reaches the edge
//   (a given 0 stays 0).
// fromWindowImage: nonzero takes the pixels from the window's own rendering (covering
//   windows do not show); coordinates are then inside its client-area image.
// bitDepth: 0 means 16; 24 and 32 also work; 8 or fewer gives an empty result.
// Empty when nothing was captured (minimised window, failed window image ...).
ImageBytes CaptureImage(HWND window = nullptr, std::int32_t left = 0, std::int32_t top = 0,
                        std::optional<std::int32_t> right = std::nullopt,
                        std::optional<std::int32_t> bottom = std::nullopt, std::int32_t fromWindowImage = 0,
                        std::int32_t bitDepth = 0);

}  // namespace capture
