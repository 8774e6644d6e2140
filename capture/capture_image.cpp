#include "capture/capture_image.h"

#include "capture/bitmap_ops.h"
#include "platform/thread_dpi.h"

namespace capture {

namespace {

// Window handles are 32-bit values; in screen mode a "negative" one means no window.
std::int32_t HandleValue(HWND window) {
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(window)));
}

std::int32_t Truncate(std::int64_t v) { return static_cast<std::int32_t>(v); }

}  // namespace

ImageBytes CaptureImage(HWND window, std::int32_t left, std::int32_t top, std::optional<std::int32_t> right,
                        std::optional<std::int32_t> bottom, std::int32_t fromWindowImage, std::int32_t bitDepth) {
  const std::int32_t r = right.value_or(-1);
  const std::int32_t b = bottom.value_or(-1);
  if (bitDepth == 0) bitDepth = 16;
  if (bitDepth > 0 && bitDepth <= 8) return {};  // palettes are not carried
  const std::int32_t width = Truncate(std::int64_t{r} - left + 1);
  const std::int32_t height = Truncate(std::int64_t{b} - top + 1);

  // Client geometry and the grab in the same (physical) coordinates.
  platform::ScopedPerMonitorDpi physicalPixels;
  位图操作类 ops;
  HBITMAP full = nullptr;
  HBITMAP region = nullptr;
  if (fromWindowImage != 0) {
    full = ops.CaptureBitmap(window, bitDepth);
    ops.CopyRegion(full, region, left, top, width, height);
  } else {
    full = ops.CaptureBitmap(nullptr, bitDepth);
    if (HandleValue(window) <= 0) {
      ops.CopyRegion(full, region, left, top, width, height);
    } else {
      if (IsIconic(window)) {
        ops.DeleteBitmap(full);
        return {};
      }
      RECT client{};
      GetClientRect(window, &client);
      POINT origin{0, 0};
      ClientToScreen(window, &origin);
      const std::int32_t x = Truncate(std::int64_t{origin.x} + left);
      const std::int32_t y = Truncate(std::int64_t{origin.y} + top);
      const std::int32_t w = r < left ? client.right : Truncate(std::int64_t{r} - left + 1);
      const std::int32_t h = b < top ? client.bottom : Truncate(std::int64_t{b} - top + 1);
      ops.CopyRegion(full, region, x, y, w, h);
    }
  }
  ImageBytes bytes = ops.ToBmpBytes(region);
  ops.DeleteBitmap(full);
  ops.DeleteBitmap(region);
  return bytes;
}

}  // namespace capture
