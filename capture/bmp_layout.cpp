#include "capture/bmp_layout.h"

#include <cstring>
#include <limits>

namespace capture {

namespace {

void Put16(std::uint8_t* p, std::uint16_t v) {
  p[0] = static_cast<std::uint8_t>(v);
  p[1] = static_cast<std::uint8_t>(v >> 8);
}

void Put32(std::uint8_t* p, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

std::uint16_t Get16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }

std::uint32_t Get32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
         (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

}  // namespace

std::uint32_t BmpStride(std::int32_t width, std::uint16_t bitCount) {
  if (width < 0) return 0;
  const std::uint64_t bits = static_cast<std::uint64_t>(width) * bitCount;
  const std::uint64_t stride = (bits + 31) / 32 * 4;
  return stride > std::numeric_limits<std::uint32_t>::max() ? 0 : static_cast<std::uint32_t>(stride);
}

std::optional<std::uint32_t> BmpPixelBytes(std::int32_t width, std::int32_t height, std::uint16_t bitCount) {
  if (width < 0 || height == std::numeric_limits<std::int32_t>::min()) return std::nullopt;
  const std::uint64_t rows = static_cast<std::uint64_t>(height < 0 ? -static_cast<std::int64_t>(height) : height);
  const std::uint64_t stride = BmpStride(width, bitCount);
  if (stride == 0 && width > 0 && bitCount > 0) return std::nullopt;
  const std::uint64_t total = stride * rows;
  if (total > std::numeric_limits<std::uint32_t>::max() - kPixelOffset) return std::nullopt;
  return static_cast<std::uint32_t>(total);
}

void WriteBmpFileHeader(std::uint8_t* out, std::uint32_t pixelBytes) {
  Put16(out, kBmpType);
  Put32(out + 2, kPixelOffset + pixelBytes);
  Put16(out + 6, 0);
  Put16(out + 8, 0);
  Put32(out + 10, kPixelOffset);
}

std::optional<BmpHeader> ReadBmpHeader(std::span<const std::uint8_t> bytes) {
  if (bytes.size() < kFileHeaderSize + 40) return std::nullopt;
  const std::uint8_t* p = bytes.data();
  BmpHeader h;
  h.type = Get16(p);
  h.fileSize = Get32(p + 2);
  h.pixelOffset = Get32(p + 10);
  h.infoSize = Get32(p + 14);
  h.width = static_cast<std::int32_t>(Get32(p + 18));
  h.height = static_cast<std::int32_t>(Get32(p + 22));
  h.planes = Get16(p + 26);
  h.bitCount = Get16(p + 28);
  h.compression = Get32(p + 30);
  h.sizeImage = Get32(p + 34);
  return h;
}

bool IsCaptureLayout(std::span<const std::uint8_t> bytes) {
  const auto h = ReadBmpHeader(bytes);
  if (!h || bytes.size() < kPixelOffset) return false;
  if (h->type != kBmpType || h->pixelOffset != kPixelOffset || h->infoSize != kInfoBlockSize) return false;
  if (h->planes != 1 || h->compression != 0) return false;
  if (h->bitCount != 16 && h->bitCount != 24 && h->bitCount != 32) return false;
  const auto pixels = BmpPixelBytes(h->width, h->height, h->bitCount);
  if (!pixels || *pixels != h->sizeImage) return false;
  return h->fileSize == kPixelOffset + h->sizeImage && bytes.size() == h->fileSize;
}

std::size_t BmpPixelOffset(const BmpHeader& header, std::int32_t x, std::int32_t y) {
  const std::size_t stride = BmpStride(header.width, header.bitCount);
  const std::int32_t rows = header.height < 0 ? -header.height : header.height;
  const std::size_t row = header.height > 0 ? static_cast<std::size_t>(rows - 1 - y) : static_cast<std::size_t>(y);
  return kPixelOffset + row * stride + static_cast<std::size_t>(x) * (header.bitCount / 8);
}

}  // namespace capture
