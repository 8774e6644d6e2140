// The checks BMP bytes pass before a bitmap is made from them, natively and on Windows.
#include "capture/bmp_load_check.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

using namespace capture;

namespace {

void Put32(ImageBytes& b, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}
void Put16(ImageBytes& b, std::size_t at, std::uint16_t v) {
  b[at] = static_cast<std::uint8_t>(v);
  b[at + 1] = static_cast<std::uint8_t>(v >> 8);
}

// A BMP file image with a 40-byte header and the rows straight behind it (offset 54).
ImageBytes Bmp40(std::int32_t width, std::int32_t height, std::uint16_t bits) {
  const std::uint32_t pixels = *BmpPixelBytes(width, height, bits);
  ImageBytes b(54 + pixels, 0);
  for (std::size_t i = 54; i < b.size(); ++i) b[i] = 0x5A;
  b[0] = 'B';
  b[1] = 'M';
  Put32(b, 2, 54 + pixels);
  Put32(b, 10, 54);
  Put32(b, 14, 40);
  Put32(b, 18, static_cast<std::uint32_t>(width));
  Put32(b, 22, static_cast<std::uint32_t>(height));
  Put16(b, 26, 1);
  Put16(b, 28, bits);
  Put32(b, 34, pixels);
  return b;
}

TEST(BmpLoadCheck, AcceptsWholeImages) {
  struct Case {
    std::int32_t width, height;
    std::uint16_t bits;
  };
  for (const Case c : {Case{3, 2, 24}, Case{1, 1, 16}, Case{5, 3, 32}, Case{4, -2, 24}, Case{640, 480, 16}}) {
    const ImageBytes image = Bmp40(c.width, c.height, c.bits);
    const auto plan = CheckBmpForLoading(image);
    ASSERT_TRUE(plan) << c.width << "x" << c.height << "@" << c.bits;
    EXPECT_EQ(plan->pixelOffset, 54u);
    EXPECT_EQ(plan->pixelBytes, image.size() - 54);
    EXPECT_EQ(plan->header.width, c.width);
    EXPECT_EQ(plan->header.height, c.height);
  }
}

TEST(BmpLoadCheck, HandsOverATidyInfoBlock) {
  ImageBytes image = Bmp40(3, 2, 24);
  Put32(image, 14 + 20, 0xFFFFFFFF);  // biSizeImage nonsense
  Put32(image, 14 + 24, 2835);        // biXPelsPerMeter kept
  Put32(image, 14 + 32, 256);         // biClrUsed would announce a colour table
  Put32(image, 14 + 36, 7);
  const auto plan = CheckBmpForLoading(image);
  ASSERT_TRUE(plan);
  auto get32 = [&](std::size_t at) {
    std::uint32_t v = 0;
    std::memcpy(&v, plan->infoBlock.data() + at, 4);  // little-endian hosts only, as the tests run
    return v;
  };
  EXPECT_EQ(get32(0), 40u);
  EXPECT_EQ(get32(20), 24u);  // 12-byte rows x 2
  EXPECT_EQ(get32(24), 2835u);
  EXPECT_EQ(get32(32), 0u);
  EXPECT_EQ(get32(36), 0u);
  EXPECT_EQ(get32(40), 0u);  // the one colour entry
}

TEST(BmpLoadCheck, TheProgramsOwn44ByteLayoutLoads) {
  ImageBytes image = Bmp40(3, 2, 16);
  image.insert(image.begin() + 54, 4, 0);  // the colour entry of the 44-byte block
  Put32(image, 10, 58);
  Put32(image, 14, 44);
  const auto plan = CheckBmpForLoading(image);
  ASSERT_TRUE(plan);
  EXPECT_EQ(plan->pixelOffset, 58u);
}

TEST(BmpLoadCheck, RefusesWhatCouldBeReadPastTheEnd) {
  struct Case {
    std::string what;
    ImageBytes bytes;
  };
  std::vector<Case> cases;
  const ImageBytes good = Bmp40(3, 2, 24);
  cases.push_back({"empty", {}});
  cases.push_back({"file header only", ImageBytes(good.begin(), good.begin() + 14)});
  cases.push_back({"one byte short of both headers", ImageBytes(good.begin(), good.begin() + 53)});
  cases.push_back({"last row cut", ImageBytes(good.begin(), good.end() - 1)});
  auto changed = [&](std::string what, auto edit) {
    ImageBytes b = good;
    edit(b);
    cases.push_back({std::move(what), std::move(b)});
  };
  changed("not BM", [](ImageBytes& b) { b[0] = 'M'; });
  changed("core header (12)", [](ImageBytes& b) { Put32(b, 14, 12); });
  changed("header longer than the offset", [](ImageBytes& b) { Put32(b, 14, 124); });
  changed("header size wraps", [](ImageBytes& b) { Put32(b, 14, 0xFFFFFFF8u); });
  changed("offset past the end", [](ImageBytes& b) { Put32(b, 10, 0xFFFFFFF0u); });
  changed("offset one row too far", [](ImageBytes& b) { Put32(b, 10, 54 + 12); });
  changed("height larger than the rows", [](ImageBytes& b) { Put32(b, 22, 3); });
  changed("huge width", [](ImageBytes& b) { Put32(b, 18, 0x7FFFFFFF); });
  changed("huge height", [](ImageBytes& b) { Put32(b, 22, 0x7FFFFFFF); });
  changed("most negative height", [](ImageBytes& b) { Put32(b, 22, 0x80000000u); });
  changed("width 0", [](ImageBytes& b) { Put32(b, 18, 0); });
  changed("negative width", [](ImageBytes& b) { Put32(b, 18, 0xFFFFFFFFu); });
  changed("height 0", [](ImageBytes& b) { Put32(b, 22, 0); });
  changed("two planes", [](ImageBytes& b) { Put16(b, 26, 2); });
  changed("8 bits (colour table)", [](ImageBytes& b) { Put16(b, 28, 8); });
  changed("1 bit", [](ImageBytes& b) { Put16(b, 28, 1); });
  changed("0 bits", [](ImageBytes& b) { Put16(b, 28, 0); });
  changed("bit fields", [](ImageBytes& b) { Put32(b, 30, 3); });
  changed("run-length", [](ImageBytes& b) { Put32(b, 30, 1); });
  for (const Case& c : cases) EXPECT_FALSE(CheckBmpForLoading(c.bytes)) << c.what;
}

}  // namespace
