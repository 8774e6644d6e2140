// Run in a fresh process of the bed (the display scale is read at process start): writes
// "<dpi> <capture width> <capture height> <mode width> <mode height>" to the file named
// by its argument.
#include <cstdio>

#include "capture/capture_image.h"
#include "platform/gdi.h"

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) return 2;
  int dpi = 0;
  {
    platform::WindowDC screen(nullptr);
    dpi = GetDeviceCaps(screen.get(), LOGPIXELSX);
  }
  DEVMODEW mode{};
  mode.dmSize = sizeof mode;
  EnumDisplaySettingsW(nullptr, ENUM_CURRENT_SETTINGS, &mode);
  const auto image = capture::CaptureImage();
  const auto header = capture::ReadBmpHeader(image);
  FILE* out = _wfopen(argv[1], L"w");
  if (!out) return 3;
  std::fprintf(out, "%d %d %d %lu %lu\n", dpi, header ? header->width : 0, header ? header->height : 0,
               mode.dmPelsWidth, mode.dmPelsHeight);
  std::fclose(out);
  return 0;
}
