// Fuzzes the checks BMP bytes pass before a bitmap is made from them: whatever the bytes, an
// accepted image has every pixel row inside them and hands over a 44-byte info block that
// announces nothing beyond itself. The guard in front of the system's picture loader reads
// any bytes within their bounds.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>

#include "capture/bmp_load_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // The picture loader's guard must judge any bytes without reading past them.
  (void)capture::BmpReachesPastItsBytes(std::span<const uint8_t>(data, size));
  const auto plan = capture::CheckBmpForLoading(std::span<const uint8_t>(data, size));
  if (!plan) return 0;
  if (static_cast<uint64_t>(plan->pixelOffset) + plan->pixelBytes > size || plan->pixelBytes == 0) __builtin_trap();
  // Touch the first and last byte of the rows: ASan reports any read past the input.
  volatile uint8_t edge = data[plan->pixelOffset] ^ data[plan->pixelOffset + plan->pixelBytes - 1];
  (void)edge;
  uint32_t v[11];
  std::memcpy(v, plan->infoBlock.data(), sizeof v);
  const uint16_t bits = static_cast<uint16_t>(v[3] >> 16);
  if (v[0] != 40 || v[4] != 0 || v[8] != 0 || v[9] != 0 || v[10] != 0) __builtin_trap();  // size, BI_RGB, no table
  if (bits != 16 && bits != 24 && bits != 32) __builtin_trap();
  if (v[5] != plan->pixelBytes) __builtin_trap();
  return 0;
}
