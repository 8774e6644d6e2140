// CaptureImage and the bitmap object on the real virtual screen of the Wine bed.
#include "capture/capture_image.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "capture/bitmap_ops.h"
#include "platform/gdi.h"
#include "platform/unique.h"
#include "tests/support/gdi_probe.h"
#include "tests/support/pattern_window.h"

using namespace capture;
using testsupport::kPatternHeight;
using testsupport::kPatternWidth;
using testsupport::PatternColour;
using testsupport::TestWindow;

namespace {

struct Mode {
  int width, height;
};

Mode DisplayMode() {
  DEVMODEW mode{};
  mode.dmSize = sizeof mode;
  EnumDisplaySettingsW(nullptr, ENUM_CURRENT_SETTINGS, &mode);
  return {static_cast<int>(mode.dmPelsWidth), static_cast<int>(mode.dmPelsHeight)};
}

// Colour of pixel (x, y) (from the top) of a capture, as 8-bit channels, read from the file
// bytes the way a BMP reader would.
COLORREF PixelAt(const ImageBytes& image, int x, int y) {
  const BmpHeader h = *ReadBmpHeader(image);
  const std::uint8_t* p = image.data() + BmpPixelOffset(h, x, y);
  if (h.bitCount == 16) {
    const unsigned w = p[0] | (p[1] << 8);
    auto expand = [](unsigned v) { return static_cast<BYTE>((v << 3) | (v >> 2)); };
    return RGB(expand((w >> 10) & 31), expand((w >> 5) & 31), expand(w & 31));
  }
  return RGB(p[2], p[1], p[0]);
}

std::uint16_t Word555At(const ImageBytes& image, int x, int y) {
  const BmpHeader h = *ReadBmpHeader(image);
  const std::uint8_t* p = image.data() + BmpPixelOffset(h, x, y);
  return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

std::uint16_t To555(COLORREF c) { return Rgb555(GetRValue(c), GetGValue(c), GetBValue(c)); }

// Checks the pattern at its probe points; the pattern's client origin is at (ox, oy) of the
// image.
void ExpectPattern(const ImageBytes& image, int ox, int oy, const char* what) {
  const BmpHeader h = *ReadBmpHeader(image);
  testsupport::ForEachPatternProbe([&](int x, int y) {
    if (h.bitCount == 16) {
      EXPECT_EQ(Word555At(image, ox + x, oy + y), To555(PatternColour(x, y))) << what << " at " << x << "," << y;
    } else {
      EXPECT_EQ(PixelAt(image, ox + x, oy + y), PatternColour(x, y)) << what << " at " << x << "," << y;
    }
  });
}

// A pattern window with its client origin at (x, y), shown and painted on screen.
void WaitPainted(int x, int y) {
  ASSERT_TRUE(testsupport::WaitForScreenColour(x + 50, y + 50, RGB(255, 0, 0)));
  ASSERT_TRUE(testsupport::WaitForScreenColour(x + 212, y + 150, PatternColour(212, 150)));
}

TEST(CaptureImage, WholeDisplayWithEveryArgumentOmitted) {
  TestWindow window(300, 200, kPatternWidth, kPatternHeight);
  ASSERT_NE(window.hwnd(), nullptr);
  WaitPainted(300, 200);
  const Mode mode = DisplayMode();

  const ImageBytes image = CaptureImage();
  ASSERT_TRUE(IsCaptureLayout(image));
  const BmpHeader h = *ReadBmpHeader(image);
  const std::uint32_t stride = ((mode.width * 16 + 31) / 32) * 4;
  EXPECT_EQ(h.type, 0x4D42);
  EXPECT_EQ(h.pixelOffset, 58u);
  EXPECT_EQ(h.infoSize, 44u);
  EXPECT_EQ(h.width, mode.width);
  EXPECT_EQ(h.height, mode.height);  // positive: bottom row first
  EXPECT_EQ(h.planes, 1);
  EXPECT_EQ(h.bitCount, 16);
  EXPECT_EQ(h.compression, 0u);
  EXPECT_EQ(h.sizeImage, stride * mode.height);
  EXPECT_EQ(h.fileSize, 58 + stride * mode.height);
  EXPECT_EQ(image.size(), h.fileSize);
  if (mode.width == 1920 && mode.height == 1080) {
    EXPECT_EQ(h.fileSize, 4147258u);
  }
  ExpectPattern(image, 300, 200, "full display");
  // The pixel words are 5-5-5 exactly.
  EXPECT_EQ(Word555At(image, 350, 250), 0x7C00);
  EXPECT_EQ(Word555At(image, 450, 250), 0x03E0);
  EXPECT_EQ(Word555At(image, 550, 250), 0x001F);
}

TEST(CaptureImage, RegionsOfTheScreen) {
  TestWindow window(100, 50, kPatternWidth, kPatternHeight);
  WaitPainted(100, 50);
  const Mode mode = DisplayMode();
  using Opt = std::optional<std::int32_t>;
  struct Case {
    const char* what;
    int left, top;
    Opt right, bottom;
    int width, height;
  };
  const std::vector<Case> cases = {
      {"inclusive edges", 100, 50, 299, 149, 200, 100},
      {"omitted edges reach the display's", 1800, 1000, std::nullopt, std::nullopt, mode.width - 1800,
       mode.height - 1000},
      {"right left of left reaches the edge; a given 0 stays 0", 1800, 0, 5, 0, mode.width - 1800, 1},
      {"one pixel", 0, 0, 0, 0, 1, 1},
  };
  for (const auto& c : cases) {
    const ImageBytes image = CaptureImage(nullptr, c.left, c.top, c.right, c.bottom);
    ASSERT_TRUE(IsCaptureLayout(image)) << c.what;
    const BmpHeader h = *ReadBmpHeader(image);
    EXPECT_EQ(h.width, c.width) << c.what;
    EXPECT_EQ(h.height, c.height) << c.what;
  }
  const ImageBytes region = CaptureImage(nullptr, 100, 50, 299, 149);
  EXPECT_EQ(Word555At(region, 50, 50), 0x7C00);
  EXPECT_EQ(Word555At(region, 150, 50), 0x03E0);
  EXPECT_EQ(Word555At(region, 0, 0), 0x7C00);
  EXPECT_EQ(Word555At(region, 199, 99), 0x03E0);
  // Window-image mode with no window is screen mode.
  const ImageBytes imageMode = CaptureImage(nullptr, 100, 50, 299, 149, 1);
  ASSERT_TRUE(IsCaptureLayout(imageMode));
  EXPECT_EQ(ReadBmpHeader(imageMode)->width, 200);
  EXPECT_EQ(Word555At(imageMode, 50, 50), 0x7C00);
  EXPECT_EQ(Word555At(imageMode, 150, 50), 0x03E0);
  // A negative window handle counts as no window.
  const ImageBytes negative = CaptureImage(reinterpret_cast<HWND>(static_cast<INT_PTR>(-5)), 100, 50, 299, 149);
  EXPECT_EQ(negative.size(), region.size());
}

TEST(CaptureImage, WindowWithEdgesOmittedGivesItsClientArea) {
  TestWindow window(500, 300, kPatternWidth, kPatternHeight, WS_OVERLAPPEDWINDOW);
  WaitPainted(500, 300);
  RECT client{};
  GetClientRect(window.hwnd(), &client);
  RECT frame{};
  GetWindowRect(window.hwnd(), &frame);
  ASSERT_GT(frame.right - frame.left, client.right) << "the window has a frame";

  const ImageBytes image = CaptureImage(window.hwnd());
  ASSERT_TRUE(IsCaptureLayout(image));
  const BmpHeader h = *ReadBmpHeader(image);
  EXPECT_EQ(h.width, client.right);
  EXPECT_EQ(h.height, client.bottom);
  ExpectPattern(image, 0, 0, "client area");

  // left 10 with right omitted: the full client width, reaching 10 pixels past the client.
  const ImageBytes shifted = CaptureImage(window.hwnd(), 10, 0);
  const BmpHeader hs = *ReadBmpHeader(shifted);
  EXPECT_EQ(hs.width, client.right);
  EXPECT_EQ(Word555At(shifted, 0, 50), 0x7C00);
}

TEST(CaptureImage, CoveredWindowInWindowImageModeGivesItsOwnPixels) {
  TestWindow window(700, 400, kPatternWidth, kPatternHeight);
  WaitPainted(700, 400);
  TestWindow cover(650, 350, 500, 300, WS_POPUP, RGB(255, 0, 255));
  ASSERT_TRUE(testsupport::WaitForScreenColour(750, 450, RGB(255, 0, 255)));

  const ImageBytes screen = CaptureImage(window.hwnd());
  ASSERT_TRUE(IsCaptureLayout(screen));
  EXPECT_EQ(Word555At(screen, 50, 50), To555(RGB(255, 0, 255))) << "screen mode shows the cover";

  struct Case {
    int bitDepth;
    int bits;
  };
  for (const Case c : {Case{0, 16}, Case{24, 24}, Case{32, 32}}) {
    const ImageBytes image = CaptureImage(window.hwnd(), 0, 0, std::nullopt, std::nullopt, 1, c.bitDepth);
    ASSERT_TRUE(IsCaptureLayout(image)) << c.bitDepth;
    const BmpHeader h = *ReadBmpHeader(image);
    EXPECT_EQ(h.width, kPatternWidth);
    EXPECT_EQ(h.height, kPatternHeight);
    EXPECT_EQ(h.bitCount, c.bits);
    ExpectPattern(image, 0, 0, "window image");
  }
  // A region of the window image.
  const ImageBytes part = CaptureImage(window.hwnd(), 150, 40, 249, 59, 1);
  const BmpHeader hp = *ReadBmpHeader(part);
  EXPECT_EQ(hp.width, 100);
  EXPECT_EQ(hp.height, 20);
  EXPECT_EQ(Word555At(part, 10, 10), 0x03E0);
  EXPECT_EQ(Word555At(part, 60, 10), 0x001F);
}

TEST(CaptureImage, CapturesOnSeveralThreadsAtOnce) {
  TestWindow window(100, 50, kPatternWidth, kPatternHeight);
  WaitPainted(100, 50);
  std::vector<ImageBytes> results(8);
  std::vector<std::thread> threads;
  for (std::size_t i = 0; i < results.size(); ++i) {
    threads.emplace_back([&, i] {
      results[i] = CaptureImage(nullptr, 100, 50, 100 + kPatternWidth - 1, 50 + kPatternHeight - 1, 0,
                                i % 2 ? 32 : 16);
    });
  }
  for (auto& t : threads) t.join();
  for (const auto& image : results) {
    ASSERT_TRUE(IsCaptureLayout(image));
    ExpectPattern(image, 0, 0, "concurrent capture");
  }
}

TEST(CaptureImage, MinimisedOrHiddenWindowGivesNothing) {
  TestWindow window(200, 600, kPatternWidth, kPatternHeight, WS_OVERLAPPEDWINDOW);
  WaitPainted(200, 600);
  ShowWindow(window.hwnd(), SW_MINIMIZE);
  ASSERT_TRUE(testsupport::WaitFor([&] { return IsIconic(window.hwnd()) != FALSE; }));
  EXPECT_TRUE(CaptureImage(window.hwnd()).empty());
  EXPECT_TRUE(CaptureImage(window.hwnd(), 0, 0, std::nullopt, std::nullopt, 1).empty());
  ShowWindow(window.hwnd(), SW_RESTORE);
  ShowWindow(window.hwnd(), SW_HIDE);
  ASSERT_TRUE(testsupport::WaitFor([&] { return !IsWindowVisible(window.hwnd()); }));
  EXPECT_TRUE(CaptureImage(window.hwnd(), 0, 0, std::nullopt, std::nullopt, 1).empty());
}

TEST(CaptureImage, BitDepths) {
  TestWindow window(100, 50, kPatternWidth, kPatternHeight);
  WaitPainted(100, 50);
  struct Case {
    int bitDepth;
    int bits;  // 0: refused
  };
  const std::vector<Case> cases = {{0, 16}, {16, 16}, {24, 24}, {32, 32}, {8, 0}, {4, 0}, {1, 0}, {-3, 0}, {17, 0}};
  for (const auto& c : cases) {
    const ImageBytes image = CaptureImage(nullptr, 100, 50, 100 + kPatternWidth - 1, 50 + kPatternHeight - 1, 0,
                                          c.bitDepth);
    if (c.bits == 0) {
      EXPECT_TRUE(image.empty()) << c.bitDepth;
      continue;
    }
    ASSERT_TRUE(IsCaptureLayout(image)) << c.bitDepth;
    const BmpHeader h = *ReadBmpHeader(image);
    EXPECT_EQ(h.bitCount, c.bits);
    EXPECT_EQ(h.sizeImage, BmpStride(kPatternWidth, static_cast<std::uint16_t>(c.bits)) * kPatternHeight);
    ExpectPattern(image, 0, 0, "depth");
  }
}

TEST(BitmapObject, OperationsOnBitmaps) {
  位图操作类 ops;
  // A 3 x 2 24-bit DIB: rows padded from 9 to 12 bytes.
  HBITMAP small = nullptr;
  HBITMAP full = ops.CaptureBitmap(nullptr, 24);
  ASSERT_NE(full, nullptr);
  EXPECT_TRUE(ops.CopyRegion(full, small, 10, 10, 3, 2));
  const ImageBytes bytes = ops.ToBmpBytes(small);
  ASSERT_TRUE(IsCaptureLayout(bytes));
  EXPECT_EQ(ReadBmpHeader(bytes)->sizeImage, 24u);

  // Width and height 0: the whole source; srcX 100 with width 0: 100 narrower.
  HBITMAP whole = nullptr;
  EXPECT_TRUE(ops.CopyRegion(full, whole));
  HBITMAP right = nullptr;
  EXPECT_TRUE(ops.CopyRegion(full, right, 100));
  BITMAP a{}, b{}, c{};
  GetObjectW(full, sizeof a, &a);
  GetObjectW(whole, sizeof b, &b);
  GetObjectW(right, sizeof c, &c);
  EXPECT_EQ(b.bmWidth, a.bmWidth);
  EXPECT_EQ(b.bmHeight, a.bmHeight);
  EXPECT_EQ(b.bmBitsPixel, 24);
  EXPECT_EQ(c.bmWidth, a.bmWidth - 100);

  // No source, no bitmap: false and nothing made; empty bytes.
  HBITMAP none = nullptr;
  EXPECT_FALSE(ops.CopyRegion(nullptr, none));
  EXPECT_EQ(none, nullptr);
  platform::UniqueBrush brush(CreateSolidBrush(RGB(1, 2, 3)));
  EXPECT_FALSE(ops.CopyRegion(reinterpret_cast<HBITMAP>(brush.get()), none));
  EXPECT_TRUE(ops.ToBmpBytes(nullptr).empty());
  EXPECT_TRUE(ops.ToBmpBytes(reinterpret_cast<HBITMAP>(brush.get())).empty());

  // A palette bitmap is refused.
  platform::UniqueBitmap mono(CreateBitmap(8, 8, 1, 1, nullptr));
  EXPECT_TRUE(ops.ToBmpBytes(mono.get()).empty());

  for (HBITMAP h : {full, small, whole, right}) ops.DeleteBitmap(h);
  ops.DeleteBitmap(nullptr);
  EXPECT_NE(ops.Copy(), nullptr);
}

TEST(BitmapObject, WindowImageOfDepthZeroIsOnePixelLarger) {
  TestWindow window(100, 50, kPatternWidth, kPatternHeight);
  WaitPainted(100, 50);
  位图操作类 ops;
  platform::UniqueBitmap device(ops.CaptureBitmap(window.hwnd(), 0));
  platform::UniqueBitmap exact(ops.CaptureBitmap(window.hwnd(), 16));
  BITMAP d{}, e{};
  ASSERT_TRUE(GetObjectW(device.get(), sizeof d, &d));
  ASSERT_TRUE(GetObjectW(exact.get(), sizeof e, &e));
  EXPECT_EQ(d.bmWidth, kPatternWidth + 1);
  EXPECT_EQ(d.bmHeight, kPatternHeight + 1);
  EXPECT_EQ(e.bmWidth, kPatternWidth);
  EXPECT_EQ(e.bmHeight, kPatternHeight);
  EXPECT_EQ(e.bmBitsPixel, 16);
}

TEST(CaptureImage, RepeatedCapturesLeaveNoGdiObject) {
  // Warm up: whatever is made once per process is made now.
  for (int i = 0; i < 3; ++i) CaptureImage(nullptr, 0, 0, 99, 99);
  const auto before = testsupport::GdiProbe();
  for (int i = 0; i < 20; ++i) {
    CaptureImage(nullptr, 0, 0, 99, 99);
    CaptureImage(nullptr, 0, 0, 99, 99, 0, 32);
  }
  EXPECT_EQ(testsupport::GdiObjectsGained(before, testsupport::GdiProbe()), 0u);
}

// The prefix's display scale is set to 144 DPI for one fresh process of the bed.
class LogPixelsOverride {
 public:
  explicit LogPixelsOverride(DWORD dpi) {
    RegOpenKeyExW(HKEY_CURRENT_USER, L"Control Panel\\Desktop", 0, KEY_QUERY_VALUE | KEY_SET_VALUE, &key_);
    DWORD size = sizeof previous_;
    DWORD type = 0;
    had_ = RegQueryValueExW(key_, L"LogPixels", nullptr, &type, reinterpret_cast<BYTE*>(&previous_), &size) ==
               ERROR_SUCCESS &&
           type == REG_DWORD;
    RegSetValueExW(key_, L"LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&dpi), sizeof dpi);
  }
  ~LogPixelsOverride() {
    if (had_) {
      RegSetValueExW(key_, L"LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&previous_), sizeof previous_);
    } else {
      RegDeleteValueW(key_, L"LogPixels");
    }
    RegCloseKey(key_);
  }

 private:
  HKEY key_ = nullptr;
  DWORD previous_ = 0;
  bool had_ = false;
};

std::wstring BesideThisProgram(const wchar_t* name) {
  wchar_t path[MAX_PATH];
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring p(path);
  return p.substr(0, p.find_last_of(L"\\/") + 1) + name;
}

TEST(CaptureImage, FullPhysicalSizeOnA144DpiDisplay) {
  wchar_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  const std::wstring result = std::wstring(temp) + L"capture_dpi_probe.txt";
  DeleteFileW(result.c_str());
  {
    LogPixelsOverride scaled(144);
    std::wstring command = L"\"" + BesideThisProgram(L"capture_dpi_probe.exe") + L"\" \"" + result + L"\"";
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    ASSERT_TRUE(CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi));
    platform::UniqueHandle process(pi.hProcess);
    platform::UniqueHandle thread(pi.hThread);
    ASSERT_EQ(WaitForSingleObject(process.get(), 60000), WAIT_OBJECT_0);
  }
  FILE* in = _wfopen(result.c_str(), L"r");
  ASSERT_NE(in, nullptr);
  int dpi = 0, w = 0, h = 0, mw = 0, mh = 0;
  ASSERT_EQ(std::fscanf(in, "%d %d %d %d %d", &dpi, &w, &h, &mw, &mh), 5);
  std::fclose(in);
  DeleteFileW(result.c_str());
  EXPECT_EQ(dpi, 144) << "the probe ran on the scaled display";
  EXPECT_EQ(w, mw);
  EXPECT_EQ(h, mh);
  const Mode mode = DisplayMode();
  EXPECT_EQ(w, mode.width);
  EXPECT_EQ(h, mode.height);
}

}  // namespace
