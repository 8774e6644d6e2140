// The BMP file layout arithmetic, natively and on Windows.
#include "capture/bmp_layout.h"

#include <gtest/gtest.h>

#include <vector>

using namespace capture;

namespace {

ImageBytes MakeImage(std::int32_t width, std::int32_t height, std::uint16_t bitCount) {
  const auto pixels = BmpPixelBytes(width, height, bitCount);
  ImageBytes image(kPixelOffset + *pixels);
  WriteBmpFileHeader(image.data(), *pixels);
  auto put32 = [&](std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) image[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
  };
  put32(14, 44);
  put32(18, static_cast<std::uint32_t>(width));
  put32(22, static_cast<std::uint32_t>(height));
  image[26] = 1;
  image[28] = static_cast<std::uint8_t>(bitCount);
  put32(34, *pixels);
  return image;
}

TEST(BmpLayout, StrideAndSizes) {
  struct Case {
    std::int32_t width, height;
    std::uint16_t bits;
    std::uint32_t stride, pixels;
  };
  const std::vector<Case> cases = {
      {1920, 1080, 16, 3840, 4147200}, {3, 1, 16, 8, 8},     {3, 2, 24, 12, 24}, {3, 1, 32, 12, 12},
      {1, 1, 16, 4, 4},                {200, 100, 16, 400, 40000}, {0, 5, 16, 0, 0}, {5, -2, 24, 16, 32},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(BmpStride(c.width, c.bits), c.stride) << c.width << "x" << c.height << "@" << c.bits;
    ASSERT_TRUE(BmpPixelBytes(c.width, c.height, c.bits).has_value());
    EXPECT_EQ(*BmpPixelBytes(c.width, c.height, c.bits), c.pixels);
  }
  EXPECT_FALSE(BmpPixelBytes(-1, 10, 16).has_value());
  EXPECT_FALSE(BmpPixelBytes(0x7FFFFFFF, 0x7FFFFFFF, 32).has_value());
  EXPECT_FALSE(BmpPixelBytes(100000, 100000, 32).has_value());  // over 4 GB
}

TEST(BmpLayout, FileHeaderOfAFullHdCapture) {
  const ImageBytes image = MakeImage(1920, 1080, 16);
  const auto h = ReadBmpHeader(image);
  ASSERT_TRUE(h.has_value());
  EXPECT_EQ(h->type, 0x4D42);
  EXPECT_EQ(image[0], 'B');
  EXPECT_EQ(image[1], 'M');
  EXPECT_EQ(h->fileSize, 4147258u);
  EXPECT_EQ(h->pixelOffset, 58u);
  EXPECT_EQ(image.size(), h->fileSize);
  EXPECT_EQ(image[6] | image[7] | image[8] | image[9], 0);
  EXPECT_TRUE(IsCaptureLayout(image));
}

TEST(BmpLayout, RejectsWhatIsNotACompleteCapture) {
  const ImageBytes good = MakeImage(3, 2, 24);
  ASSERT_TRUE(IsCaptureLayout(good));
  struct Case {
    const char* what;
    std::size_t at;
    std::uint8_t value;
  };
  const std::vector<Case> corruptions = {
      {"type", 0, 'X'}, {"offset", 10, 54}, {"info size", 14, 40}, {"planes", 26, 2},
      {"depth 8", 28, 8}, {"compression", 30, 3}, {"image size", 34, 1}, {"file size", 2, 0},
  };
  for (const auto& c : corruptions) {
    ImageBytes bad = good;
    bad[c.at] = c.value;
    EXPECT_FALSE(IsCaptureLayout(bad)) << c.what;
  }
  ImageBytes shorter(good.begin(), good.end() - 1);
  EXPECT_FALSE(IsCaptureLayout(shorter));
  EXPECT_FALSE(IsCaptureLayout(ImageBytes(20, 0)));
  EXPECT_FALSE(ReadBmpHeader(ImageBytes(53, 0)).has_value());
  EXPECT_FALSE(IsCaptureLayout({}));
}

TEST(BmpLayout, BottomRowComesFirst) {
  ImageBytes image = MakeImage(3, 2, 16);
  const auto h = *ReadBmpHeader(image);
  EXPECT_EQ(BmpPixelOffset(h, 0, 1), 58u);      // bottom row, first in the file
  EXPECT_EQ(BmpPixelOffset(h, 0, 0), 58u + 8);  // top row after one padded row
  EXPECT_EQ(BmpPixelOffset(h, 2, 0), 58u + 8 + 4);
}

TEST(BmpLayout, FiveFiveFive) {
  EXPECT_EQ(Rgb555(255, 0, 0), 0x7C00);
  EXPECT_EQ(Rgb555(0, 255, 0), 0x03E0);
  EXPECT_EQ(Rgb555(0, 0, 255), 0x001F);
  EXPECT_EQ(Rgb555(255, 255, 255), 0x7FFF);
  EXPECT_EQ(Rgb555(8, 16, 24), (1 << 10) | (2 << 5) | 3);
}

}  // namespace
