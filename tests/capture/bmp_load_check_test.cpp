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

// The program's own layout: a 44-byte info block (header and one colour entry), rows at 58.
ImageBytes Bmp44(std::int32_t width, std::int32_t height, std::uint16_t bits) {
  ImageBytes image = Bmp40(width, height, bits);
  image.insert(image.begin() + 54, 4, 0);
  Put32(image, 10, 58);
  Put32(image, 14, 44);
  return image;
}

TEST(BmpLoadCheck, TheProgramsOwn44ByteLayoutLoads) {
  const ImageBytes image = Bmp44(3, 2, 16);
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

// What the system's picture loader may be given: BMP bytes whose headers promise more than
// the bytes hold are caught; whole BMPs of every kind, and other formats, pass.
TEST(BmpReachesPastItsBytes, JudgesBmpsByWhatTheirHeadersAnnounce) {
  const ImageBytes rgb24 = Bmp40(7, 5, 24);
  auto cut = [](const ImageBytes& b, std::size_t n) { return ImageBytes(b.begin(), b.begin() + n); };
  auto with = [](ImageBytes b, std::size_t at, std::uint32_t v) {
    Put32(b, at, v);
    return b;
  };
  // 8 bits: 256 colour entries behind the header, then the rows.
  ImageBytes pal8 = Bmp40(4, 2, 8);
  pal8.insert(pal8.begin() + 54, 256 * 4, 0);
  Put32(pal8, 10, 54 + 256 * 4);
  // The oldest header: 12 bytes, 16-bit width and height, 24-bit rows at 26.
  ImageBytes core(26 + 2 * 12, 0x33);
  core[0] = 'B';
  core[1] = 'M';
  Put32(core, 10, 26);
  Put32(core, 14, 12);
  Put16(core, 18, 3);
  Put16(core, 20, 2);
  Put16(core, 22, 1);
  Put16(core, 24, 24);
  // Run-length rows: biSizeImage bytes behind the offset.
  ImageBytes rle = Bmp40(4, 2, 8);
  rle.resize(54 + 256 * 4 + 10, 0);
  Put32(rle, 10, 54 + 256 * 4);
  Put32(rle, 30, 1);  // BI_RLE8
  Put32(rle, 34, 10);
  // Masks behind a 40-byte header.
  ImageBytes masks16 = Bmp40(4, 2, 16);
  masks16.insert(masks16.begin() + 54, 12, 0);
  Put32(masks16, 10, 66);
  Put32(masks16, 30, 3);  // BI_BITFIELDS

  struct Case {
    const char* what;
    ImageBytes bytes;
    bool pastTheEnd;
  };
  const std::vector<Case> cases = {
      {"empty", {}, false},
      {"not a BMP", ImageBytes{0x89, 'P', 'N', 'G', 0, 0, 0, 0}, false},
      {"text", ImageBytes{'h', 'e', 'l', 'l', 'o'}, false},
      {"whole 24-bit", rgb24, false},
      {"whole, the program's own 44-byte layout", Bmp44(64, 32, 16), false},
      {"whole 8-bit with its colour table", pal8, false},
      {"whole, oldest header", core, false},
      {"whole run-length rows", rle, false},
      {"whole 16-bit with masks", masks16, false},
      {"no width: left to the loader", with(rgb24, 18, 0), false},
      {"\"BM\" alone", ImageBytes{'B', 'M'}, true},
      {"file header only", cut(rgb24, 14), true},
      {"info header cut", cut(rgb24, 30), true},
      {"headers, no pixels", cut(rgb24, 54), true},
      {"the last byte missing", cut(rgb24, rgb24.size() - 1), true},
      {"info size below the oldest header", with(rgb24, 14, 8), true},
      {"info size past the end", with(rgb24, 14, 0xFFFFFFF0u), true},
      {"pixel offset past the end", with(rgb24, 10, 0xFFFFFF00u), true},
      {"height INT32_MIN", with(rgb24, 22, 0x80000000u), true},
      {"height far beyond the rows", with(rgb24, 22, 0x7FFFFFFFu), true},
      {"colour table cut", cut(pal8, 54 + 100), true},
      {"a huge colour count", with(rgb24, 46, 0x40000000u), true},
      {"oldest header, rows cut", cut(core, core.size() - 1), true},
      {"run-length size past the end", with(rle, 34, 11), true},
      {"run-length size 0", with(rle, 34, 0), true},
      {"masks cut", cut(masks16, 60), true},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(BmpReachesPastItsBytes(c.bytes), c.pastTheEnd) << c.what;
  }
}

}  // namespace
