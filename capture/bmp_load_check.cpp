#include "capture/bmp_load_check.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace capture {

namespace {

void Put32(std::uint8_t* p, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

// Offsets inside the 40-byte info header.
constexpr std::size_t kBiSize = 0;
constexpr std::size_t kBiSizeImage = 20;
constexpr std::size_t kBiClrUsed = 32;
constexpr std::size_t kBiClrImportant = 36;
constexpr std::uint32_t kInfoHeaderSize = 40;

}  // namespace

std::optional<BmpLoadPlan> CheckBmpForLoading(std::span<const std::uint8_t> bytes) {
  const auto h = ReadBmpHeader(bytes);  // empty when shorter than 14 + 40 bytes
  if (!h || h->type != kBmpType) return std::nullopt;
  if (h->infoSize < kInfoHeaderSize) return std::nullopt;
  // The header must end where the rows may begin (64-bit: no field can wrap the sum).
  if (static_cast<std::uint64_t>(kFileHeaderSize) + h->infoSize > h->pixelOffset) return std::nullopt;
  if (h->planes != 1 || h->compression != 0) return std::nullopt;
  if (h->bitCount != 16 && h->bitCount != 24 && h->bitCount != 32) return std::nullopt;
  if (h->width <= 0 || h->height == 0) return std::nullopt;
  const auto pixels = BmpPixelBytes(h->width, h->height, h->bitCount);
  if (!pixels) return std::nullopt;
  if (static_cast<std::uint64_t>(h->pixelOffset) + *pixels > bytes.size()) return std::nullopt;

  BmpLoadPlan plan;
  plan.header = *h;
  plan.pixelOffset = h->pixelOffset;
  plan.pixelBytes = *pixels;
  std::memcpy(plan.infoBlock.data(), bytes.data() + kFileHeaderSize, kInfoHeaderSize);
  std::uint8_t* info = plan.infoBlock.data();
  Put32(info + kBiSize, kInfoHeaderSize);
  Put32(info + kBiSizeImage, *pixels);
  Put32(info + kBiClrUsed, 0);
  Put32(info + kBiClrImportant, 0);
  // The colour entry behind the header stays zero, as the program's own images carry it.
  return plan;
}

namespace {

std::uint32_t Read32(std::span<const std::uint8_t> b, std::size_t at) {
  return static_cast<std::uint32_t>(b[at]) | static_cast<std::uint32_t>(b[at + 1]) << 8 |
         static_cast<std::uint32_t>(b[at + 2]) << 16 | static_cast<std::uint32_t>(b[at + 3]) << 24;
}

std::uint16_t Read16(std::span<const std::uint8_t> b, std::size_t at) {
  return static_cast<std::uint16_t>(b[at] | b[at + 1] << 8);
}

constexpr std::uint32_t kCoreHeaderSize = 12;  // the oldest header: 16-bit width and height
constexpr std::uint32_t kBiRgb = 0, kBiBitfields = 3, kBiAlphaBitfields = 6;

}  // namespace

bool BmpReachesPastItsBytes(std::span<const std::uint8_t> bytes) {
  if (bytes.size() < 2 || bytes[0] != 'B' || bytes[1] != 'M') return false;
  const std::uint64_t size = bytes.size();
  if (size < kFileHeaderSize + 4) return true;
  const std::uint32_t infoSize = Read32(bytes, kFileHeaderSize);
  if (infoSize < kCoreHeaderSize) return true;
  // Loaders read a header shorter than 40 bytes (other than the oldest one) as a full one.
  const std::uint64_t headerRead = infoSize == kCoreHeaderSize ? kCoreHeaderSize : std::max(infoSize, kInfoHeaderSize);
  if (kFileHeaderSize + headerRead > size) return true;

  const std::size_t h = kFileHeaderSize;
  std::uint64_t width = 0, height = 0, colours = 0, entrySize = 4, masks = 0;
  std::uint32_t bitCount = 0, compression = kBiRgb, sizeImage = 0;
  if (infoSize == kCoreHeaderSize) {
    width = Read16(bytes, h + 4);
    height = Read16(bytes, h + 6);
    bitCount = Read16(bytes, h + 10);
    entrySize = 3;
  } else {
    const auto w = static_cast<std::int32_t>(Read32(bytes, h + 4));
    const auto hh = static_cast<std::int32_t>(Read32(bytes, h + 8));
    // Magnitudes in 64 bits: INT32_MIN has none in 32.
    width = w < 0 ? 0 - static_cast<std::uint64_t>(static_cast<std::int64_t>(w)) : static_cast<std::uint64_t>(w);
    height = hh < 0 ? 0 - static_cast<std::uint64_t>(static_cast<std::int64_t>(hh)) : static_cast<std::uint64_t>(hh);
    bitCount = Read16(bytes, h + 14);
    compression = Read32(bytes, h + 16);
    sizeImage = Read32(bytes, h + 20);
    colours = Read32(bytes, h + 32);
    if (infoSize == kInfoHeaderSize && compression == kBiBitfields) masks = 12;
    if (infoSize == kInfoHeaderSize && compression == kBiAlphaBitfields) masks = 16;
  }
  if (bitCount <= 8 && colours == 0) colours = std::uint64_t{1} << bitCount;
  if (kFileHeaderSize + headerRead + masks + colours * entrySize > size) return true;

  const std::uint64_t offset = Read32(bytes, 10);
  if (offset > size) return true;
  const std::uint64_t room = size - offset;
  if (compression == kBiRgb || compression == kBiBitfields || compression == kBiAlphaBitfields) {
    const std::uint64_t stride = (width * bitCount + 31) / 32 * 4;  // width < 2^32, bitCount < 2^16
    return stride != 0 && height > room / stride;
  }
  // Compressed rows: the loader takes biSizeImage bytes.
  return sizeImage == 0 || sizeImage > room;
}

}  // namespace capture
