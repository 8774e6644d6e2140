#include "capture/bmp_load_check.h"

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

}  // namespace capture
