// How long one capture-to-clipboard takes, against the platform's floor measured in the same
// run: one BitBlt of the primary display into a 16-bit DIB section plus one SetClipboardData.
//
//   capture_bench [runs]     (default 15; run on demand, not in CI)
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "capture/capture_image.h"
#include "clipboard/clipboard_access.h"
#include "clipboard/clipboard_object.h"
#include "clipboard/picture_decoding.h"
#include "platform/gdi.h"
#include "bench/platform_floor.h"

namespace {

using Clock = std::chrono::steady_clock;

using bench::Ms;

double Median(std::vector<double> v) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  const std::size_t n = v.size();
  return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

}  // namespace

int main(int argc, char** argv) {
  const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 15;
  DEVMODEW mode{};
  mode.dmSize = sizeof mode;
  EnumDisplaySettingsW(nullptr, ENUM_CURRENT_SETTINGS, &mode);
  const int width = static_cast<int>(mode.dmPelsWidth), height = static_cast<int>(mode.dmPelsHeight);

  clipboard::剪辑板类 clipboardObject;
  std::vector<double> capture, decode, set, floorBlit, floorSet, floorTotal, total;
  // One round first to load what loads once (the picture loader, the clipboard owner).
  clipboardObject.SetImageBytes(capture::CaptureImage());
  int failures = 0;
  for (int i = 0; i < runs; ++i) {
    const auto a = Clock::now();
    const capture::ImageBytes image = capture::CaptureImage();
    const auto b = Clock::now();
    if (!clipboardObject.SetImageBytes(image)) ++failures;
    const auto c = Clock::now();
    platform::UniqueBitmap decoded(clipboard::BitmapFromImageBytes(image, 0, 0));
    const auto d = Clock::now();
    capture.push_back(Ms(a, b));
    set.push_back(Ms(b, c));
    decode.push_back(Ms(c, d));
    total.push_back(Ms(a, c));
    const bench::FloorTimes f = bench::PlatformFloor(width, height);
    floorBlit.push_back(f.blit);
    floorSet.push_back(f.set);
    floorTotal.push_back(f.blit + f.set);
  }
  const double floor = Median(floorTotal);
  std::printf("Display %dx%d, %d runs, medians.\n\n", width, height, runs);
  std::printf("| step | ms |\n|---|---|\n");
  std::printf("| `CaptureImage()` (grab, region copy, BMP bytes) | %.1f |\n", Median(capture));
  std::printf("| `SetImageBytes` (decode through the picture loader, copy, `SetClipboardData`) | %.1f |\n", Median(set));
  std::printf("| of which decoding alone | %.1f |\n", Median(decode));
  std::printf("| capture + set | %.1f |\n", Median(total));
  std::printf("| floor: one BitBlt of the screen into a 16-bit DIB section | %.1f |\n", Median(floorBlit));
  std::printf("| floor: one `SetClipboardData` of that DIB section | %.1f |\n", Median(floorSet));
  std::printf("| floor total | %.1f |\n", floor);
  std::printf("| ratio (capture + set) / floor | %.2f |\n", floor > 0 ? Median(total) / floor : 0.0);
  std::printf("| ratio `CaptureImage` / BitBlt floor | %.2f |\n",
              Median(floorBlit) > 0 ? Median(capture) / Median(floorBlit) : 0.0);
  if (failures) std::printf("\n`SetImageBytes` failed %d times.\n", failures);
  return failures ? 1 : 0;
}
