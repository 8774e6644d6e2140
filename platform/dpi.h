// DPI of windows and monitors. The per-monitor functions exist only on newer Windows, so
// they are looked up at run time with the older system-wide answer as the fallback.
#pragma once

#include "platform/win.h"

namespace platform {

constexpr int kDesignDpi = 96;

// Declares the process DPI-aware when the manifest could not (per-monitor v2, then
// per-monitor, then system-aware). Harmless when the manifest already did.
void EnsureDpiAwareness();

// DPI that a window is drawn at (its monitor's under per-monitor awareness).
int DpiForWindow(HWND hwnd);

// DPI of the primary monitor, for sizing a window before it exists.
int DpiForPrimaryMonitor();

// A design length (96-DPI pixels) at the given DPI.
inline int Scale(int designPixels, int dpi) { return MulDiv(designPixels, dpi, kDesignDpi); }

}  // namespace platform
