// Checks BMP file bytes before the platform is given them to make a bitmap, so that no field
// of the bytes can make anyone read past their end. Plain arithmetic (no Windows headers):
// it builds natively, where it is tested under the sanitizers and fuzzed.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>

#include "capture/bmp_layout.h"

namespace capture {

// What a loader needs from checked bytes: where the pixel rows are and how long they are,
// and the info block to hand to the platform in place of the file's own.
struct BmpLoadPlan {
  BmpHeader header;
  std::uint32_t pixelOffset = 0;  // bfOffBits
  std::uint32_t pixelBytes = 0;   // stride x |height|, all inside the bytes
  // The file's 40-byte header followed by one zero colour entry, with biSize 40, the computed
  // biSizeImage and no colour table announced (biClrUsed, biClrImportant 0): the platform then
  // reads exactly these 44 bytes, whatever the file claimed.
  std::array<std::uint8_t, kInfoBlockSize> infoBlock{};
};

// Accepted: at least both headers; "BM"; an info header of 40 bytes or more (the program's own
// 44-byte block and the later header versions included) that ends at or before bfOffBits;
// one plane; uncompressed (BI_RGB) rows of 16, 24 or 32 bits (palette depths carry no colour
// table here); a width above 0 and a height other than 0 (negative: top-down rows); and every
// pixel row inside the bytes behind bfOffBits. Anything else: empty.
std::optional<BmpLoadPlan> CheckBmpForLoading(std::span<const std::uint8_t> bytes);

// For picture bytes of any format handed to the system's picture loader, which trusts a BMP's
// headers: true when the bytes begin with "BM" but what the headers announce (the info
// header, the masks and colour table, the pixel rows, or for compressed rows biSizeImage
// bytes) does not all lie inside them. Such bytes would be read past their end. Bytes that do
// not begin with "BM" are not judged here (false): the loader reads other formats itself.
bool BmpReachesPastItsBytes(std::span<const std::uint8_t> bytes);

}  // namespace capture
