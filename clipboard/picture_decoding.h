// Picture file bytes to a GDI bitmap through the platform's OLE picture loader.
#pragma once

#include <cstdint>

#include "capture/bmp_layout.h"
#include "platform/win.h"

namespace clipboard {

// A bitmap of the picture at width x height (0 keeps the picture's own size), owned by the
// caller; null when the bytes are empty, begin as a BMP that is cut short, or no bitmap could be
// made from them. The loader's libraries come from the system folder only and stay loaded.
HBITMAP BitmapFromImageBytes(const capture::ImageBytes& image, std::int32_t width, std::int32_t height);

}  // namespace clipboard
