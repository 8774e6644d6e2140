// The BMP file image a capture is serialised into, as plain arithmetic on bytes (no Windows
// headers), so that it builds and is tested natively too.
//
//   0  file header (14 bytes)   "BM", bfSize, 0, 0, bfOffBits = 58
//  14  info block  (44 bytes)   BITMAPINFOHEADER with biSize 44, then one 4-byte colour entry
//  58  pixel rows               bottom row first, each padded to a multiple of four bytes
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace capture {

// One complete picture file; whoever receives it owns it.
using ImageBytes = std::vector<std::uint8_t>;

inline constexpr std::uint32_t kFileHeaderSize = 14;
inline constexpr std::uint32_t kInfoBlockSize = 44;  // the 40-byte header and one colour entry
inline constexpr std::uint32_t kPixelOffset = kFileHeaderSize + kInfoBlockSize;  // 58
inline constexpr std::uint16_t kBmpType = 0x4D42;                                // "BM"

// Bytes per pixel row, padded to four bytes; 0 when the row does not fit 32 bits.
std::uint32_t BmpStride(std::int32_t width, std::uint16_t bitCount);

// Bytes of all pixel rows (stride x |height|); empty when the size is not representable
// or the picture would not fit a file (bfSize is 32 bits).
std::optional<std::uint32_t> BmpPixelBytes(std::int32_t width, std::int32_t height, std::uint16_t bitCount);

// Writes the 14-byte file header for a pixel area of pixelBytes behind the 44-byte block.
void WriteBmpFileHeader(std::uint8_t* out, std::uint32_t pixelBytes);

// The header fields of an image, read back (used by consumers and tests).
struct BmpHeader {
  std::uint16_t type = 0;
  std::uint32_t fileSize = 0;
  std::uint32_t pixelOffset = 0;
  std::uint32_t infoSize = 0;
  std::int32_t width = 0;
  std::int32_t height = 0;
  std::uint16_t planes = 0;
  std::uint16_t bitCount = 0;
  std::uint32_t compression = 0;
  std::uint32_t sizeImage = 0;
};

// Reads the header fields; empty when the bytes are too short to hold both headers.
std::optional<BmpHeader> ReadBmpHeader(std::span<const std::uint8_t> bytes);

// True when the image is complete in the layout above: "BM", the pixel rows at 58, the
// lengths consistent with the width, height and depth, and uncompressed rows of 16, 24 or
// 32 bits.
bool IsCaptureLayout(std::span<const std::uint8_t> bytes);

// Offset in the file of pixel (x, y), y counted from the top of the picture, for a
// bottom-up image (positive height). Caller checks the bounds.
std::size_t BmpPixelOffset(const BmpHeader& header, std::int32_t x, std::int32_t y);

// 5-5-5 form of an 8-bit-per-channel colour: red in bits 10-14, green 5-9, blue 0-4.
constexpr std::uint16_t Rgb555(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
  return static_cast<std::uint16_t>(((r >> 3) << 10) | ((g >> 3) << 5) | (b >> 3));
}

}  // namespace capture
