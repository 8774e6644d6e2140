// The bitmap object's toolbox on the real GDI, screen, files and clipboard of the Wine bed.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "capture/bitmap_ops.h"
#include "capture/bmp_layout.h"
#include "platform/gdi.h"
#include "tests/support/gdi_probe.h"
#include "tests/support/pattern_window.h"

using namespace capture;
using platform::UniqueBitmap;
using testsupport::kPatternHeight;
using testsupport::kPatternWidth;
using testsupport::PatternColour;
using testsupport::TestWindow;

namespace {

using ColourAt = std::function<COLORREF(int x, int y)>;

COLORREF Checker(int x, int y) {
  static const COLORREF colours[] = {RGB(255, 0, 0), RGB(0, 255, 0), RGB(0, 0, 255), RGB(255, 255, 255),
                                     RGB(8, 16, 24)};  // multiples of 8: exact at 5-5-5 too
  return colours[(x + 2 * y) % 5];
}

// A BMP file image with a 40-byte header (rows at 54), bottom-up, of 24 or 32 bits.
ImageBytes Bmp40(int width, int height, int bits, const ColourAt& colour) {
  const std::uint32_t stride = BmpStride(width, static_cast<std::uint16_t>(bits));
  const std::uint32_t pixels = stride * static_cast<std::uint32_t>(height);
  ImageBytes b(54 + pixels, 0);
  auto put32 = [&](std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
  };
  b[0] = 'B';
  b[1] = 'M';
  put32(2, 54 + pixels);
  put32(10, 54);
  put32(14, 40);
  put32(18, static_cast<std::uint32_t>(width));
  put32(22, static_cast<std::uint32_t>(height));
  b[26] = 1;
  b[28] = static_cast<std::uint8_t>(bits);
  put32(34, pixels);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      std::uint8_t* p = b.data() + 54 + static_cast<std::size_t>(height - 1 - y) * stride + x * (bits / 8);
      const COLORREF c = colour(x, y);
      p[0] = GetBValue(c);
      p[1] = GetGValue(c);
      p[2] = GetRValue(c);
    }
  }
  return b;
}

// A DIB section of the given depth painted pixel by pixel.
HBITMAP MakeDib(int width, int height, int bits, const ColourAt& colour) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = static_cast<WORD>(bits);
  void* bits_ = nullptr;
  HBITMAP dib = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits_, nullptr, 0);
  platform::UniqueMemoryDC dc(CreateCompatibleDC(nullptr));
  platform::SelectionGuard selected(dc.get(), dib);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) SetPixelV(dc.get(), x, y, colour(x, y));
  return dib;
}

// A colour as a bitmap of that depth keeps it: 16 bits keep five bits a channel.
COLORREF AtDepth(COLORREF c, int bits) {
  if (bits != 16) return c;
  return RGB(GetRValue(c) & 0xF8, GetGValue(c) & 0xF8, GetBValue(c) & 0xF8);
}

bool IsDibSection(HBITMAP h) {
  DIBSECTION ds{};
  return GetObjectW(h, sizeof ds, &ds) == sizeof ds;
}

void ExpectPixels(HBITMAP h, int width, int height, const ColourAt& colour, const std::string& what) {
  位图操作类 ops;
  ASSERT_EQ(ops.GetWidth(h), width) << what;
  ASSERT_EQ(ops.GetHeight(h), height) << what;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) ASSERT_EQ(ops.ReadPixel(h, x, y), colour(x, y)) << what << " at " << x << "," << y;
}

std::wstring TempFolder() {
  wchar_t folder[MAX_PATH + 1] = {};
  GetTempPathW(MAX_PATH + 1, folder);
  return folder;
}

// Files in the temporary folder whose names begin with the loader's stem.
int LoaderFilesInTemp() {
  WIN32_FIND_DATAW found{};
  const std::wstring pattern = TempFolder() + L"位图操作类_载入位图*";
  HANDLE h = FindFirstFileW(pattern.c_str(), &found);
  if (h == INVALID_HANDLE_VALUE) return 0;
  int n = 0;
  do ++n;
  while (FindNextFileW(h, &found));
  FindClose(h);
  return n;
}

std::string Ansi(const std::wstring& text) {
  const int n = WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<std::size_t>(n), '\0');
  WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, out.data(), n, nullptr, nullptr);
  out.resize(static_cast<std::size_t>(n) - 1);
  return out;
}

bool WriteFileBytes(const std::wstring& path, const ImageBytes& bytes) {
  HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  const bool ok = WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
                  written == bytes.size();
  CloseHandle(h);
  return ok;
}

COLORREF ScreenPixel(int x, int y) {
  platform::WindowDC screen(nullptr);
  return GetPixel(screen.get(), x, y);
}

struct Probe {
  int x, y;
  COLORREF colour;
};

// Draws until the screen shows every probe: a window that was just shown may still get a
// repaint of its own from the display server, which paints over a first drawing. Each
// drawing must report success.
bool ShowsAfterDrawing(const std::function<bool()>& draw, const std::vector<Probe>& probes) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (std::chrono::steady_clock::now() < end) {
    if (!draw()) return false;
    const bool shown = testsupport::WaitFor(
        [&] {
          for (const Probe& p : probes)
            if (ScreenPixel(p.x, p.y) != p.colour) return false;
          return true;
        },
        std::chrono::milliseconds(300));
    if (shown) return true;
  }
  for (const Probe& p : probes) {
    if (ScreenPixel(p.x, p.y) != p.colour) ADD_FAILURE() << "at " << p.x << "," << p.y << " the screen shows " << std::hex << ScreenPixel(p.x, p.y);
  }
  return false;
}

int DisplayDepth() {
  platform::WindowDC screen(nullptr);
  return GetDeviceCaps(screen.get(), BITSPIXEL);
}

TEST(BitmapToolbox, LoadersGiveTheImageAtItsSize) {
  位图操作类 ops;
  const ImageBytes bmp24 = Bmp40(7, 5, 24, Checker);  // 21-byte rows padded to 24
  const ImageBytes bmp32 = Bmp40(6, 3, 32, Checker);
  // The program's own layout: 16 bits, 44-byte info block, rows at 58.
  UniqueBitmap source16(MakeDib(9, 4, 16, Checker));
  const ImageBytes own16 = ops.ToBmpBytes(source16.get());
  ASSERT_TRUE(IsCaptureLayout(own16));

  const std::wstring filePath = L"D:\\位图载入.bmp";
  ASSERT_TRUE(WriteFileBytes(filePath, bmp24));
  const std::string ansiPath = Ansi(filePath);

  struct Case {
    const char* what;
    std::function<HBITMAP()> load;
    int width, height;
    bool deviceDependent;
  };
  const std::vector<Case> cases = {
      {"bytes via file, 24 bits", [&] { return ops.LoadFromBytesViaFile(bmp24); }, 7, 5, false},
      {"file with a Chinese name", [&] { return ops.LoadFromFile(ansiPath); }, 7, 5, false},
      {"BMP bytes, 24 bits", [&] { return ops.LoadFromBmpBytes(bmp24); }, 7, 5, true},
      {"BMP bytes, 32 bits", [&] { return ops.LoadFromBmpBytes(bmp32); }, 6, 3, true},
      {"BMP bytes, own 16-bit layout", [&] { return ops.LoadFromBmpBytes(own16); }, 9, 4, true},
      {"picture bytes at their own size", [&] { return ops.LoadFromPictureBytes(bmp24); }, 7, 5, false},
      {"picture bytes, own layout", [&] { return ops.LoadFromPictureBytes(own16, 0, 0); }, 9, 4, false},
  };
  for (const Case& c : cases) {
    UniqueBitmap loaded(c.load());
    ASSERT_TRUE(loaded) << c.what;
    if (c.deviceDependent) {
      EXPECT_FALSE(IsDibSection(loaded.get())) << c.what;
      EXPECT_EQ(ops.GetBitDepth(loaded.get()), DisplayDepth()) << c.what;
    }
    ExpectPixels(loaded.get(), c.width, c.height, Checker, c.what);
  }

  // Picture bytes at another size.
  UniqueBitmap resized(ops.LoadFromPictureBytes(bmp24, 14, 10));
  EXPECT_EQ(ops.GetWidth(resized.get()), 14);
  EXPECT_EQ(ops.GetHeight(resized.get()), 10);
  EXPECT_EQ(ops.ReadPixel(resized.get(), 0, 0), Checker(0, 0));
}

TEST(BitmapToolbox, BadBytesAndPathsGiveNull) {
  位图操作类 ops;
  const ImageBytes good = Bmp40(7, 5, 24, Checker);
  struct Case {
    const char* what;
    ImageBytes bytes;
  };
  std::vector<Case> cases = {
      {"empty", {}},
      {"headers cut", ImageBytes(good.begin(), good.begin() + 40)},
      {"last row cut", ImageBytes(good.begin(), good.end() - 1)},
      {"garbage", ImageBytes(500, 0xA5)},
      {"text", ImageBytes{'h', 'e', 'l', 'l', 'o'}},
  };
  ImageBytes farOffset = good;
  farOffset[10] = 0xF0;
  farOffset[13] = 0x7F;
  cases.push_back({"pixel offset far past the end", farOffset});
  ImageBytes tall = good;
  tall[22] = 0xFF;
  tall[23] = 0xFF;
  cases.push_back({"height beyond the rows", tall});
  for (const Case& c : cases) {
    EXPECT_EQ(ops.LoadFromBmpBytes(c.bytes), nullptr) << c.what;
  }
  EXPECT_EQ(ops.LoadFromBytesViaFile(ImageBytes(500, 0xA5)), nullptr);
  EXPECT_EQ(ops.LoadFromBytesViaFile({}), nullptr);
  EXPECT_EQ(ops.LoadFromPictureBytes(ImageBytes(500, 0xA5)), nullptr);
  EXPECT_EQ(ops.LoadFromPictureBytes({}), nullptr);
  EXPECT_EQ(ops.LoadFromFile("D:\\no such picture.bmp"), nullptr);
  EXPECT_EQ(ops.LoadFromFile(""), nullptr);
}

TEST(BitmapToolbox, LoadingThroughAFileLeavesNoFileAndCallsDoNotMeet) {
  位图操作类 ops;
  ASSERT_EQ(LoaderFilesInTemp(), 0);
  const ImageBytes good = Bmp40(7, 5, 24, Checker);
  UniqueBitmap loaded(ops.LoadFromBytesViaFile(good));
  EXPECT_TRUE(loaded);
  EXPECT_EQ(LoaderFilesInTemp(), 0);
  EXPECT_EQ(ops.LoadFromBytesViaFile(ImageBytes(300, 0x11)), nullptr);
  EXPECT_EQ(LoaderFilesInTemp(), 0);

  // Two threads loading different pictures at once each get their own, every time.
  auto loadMany = [&](int width, int height, int* wrong) {
    const ImageBytes image = Bmp40(width, height, 24, Checker);
    位图操作类 own;
    for (int i = 0; i < 25; ++i) {
      UniqueBitmap h(own.LoadFromBytesViaFile(image));
      if (own.GetWidth(h.get()) != width || own.GetHeight(h.get()) != height) ++*wrong;
    }
  };
  int wrongA = 0, wrongB = 0;
  std::thread a(loadMany, 11, 3, &wrongA);
  std::thread b(loadMany, 4, 13, &wrongB);
  a.join();
  b.join();
  EXPECT_EQ(wrongA, 0);
  EXPECT_EQ(wrongB, 0);
  EXPECT_EQ(LoaderFilesInTemp(), 0);
}

TEST(BitmapToolbox, ClientCaptures) {
  TestWindow window(200, 150, kPatternWidth, kPatternHeight);
  ASSERT_NE(window.hwnd(), nullptr);
  ASSERT_TRUE(testsupport::WaitForScreenColour(200 + 50, 150 + 50, RGB(255, 0, 0)));
  ASSERT_TRUE(testsupport::WaitForScreenColour(200 + 212, 150 + 150, PatternColour(212, 150)));
  位图操作类 ops;

  // Every argument omitted: the whole display, 24 bits, a DIB section.
  DEVMODEW mode{};
  mode.dmSize = sizeof mode;
  EnumDisplaySettingsW(nullptr, ENUM_CURRENT_SETTINGS, &mode);
  UniqueBitmap display(ops.CaptureClientBitmap());
  ASSERT_TRUE(display);
  EXPECT_TRUE(IsDibSection(display.get()));
  EXPECT_EQ(ops.GetBitDepth(display.get()), 24);
  EXPECT_EQ(ops.GetWidth(display.get()), static_cast<int>(mode.dmPelsWidth));
  EXPECT_EQ(ops.GetHeight(display.get()), static_cast<int>(mode.dmPelsHeight));
  EXPECT_EQ(ops.ReadPixel(display.get(), 200 + 150, 150 + 50), PatternColour(150, 50));

  struct Case {
    const char* what;
    int bitDepth, printWindow, expectedBits;
  };
  for (const Case c : {Case{"window DC, default depth", 0, 0, 24}, Case{"window DC, 16 bits", 16, 0, 16},
                       Case{"window DC, 32 bits", 32, 0, 32}, Case{"own rendering, default depth", 0, 1, 24},
                       Case{"own rendering, 16 bits", 16, 1, 16}}) {
    UniqueBitmap h(ops.CaptureClientBitmap(window.hwnd(), c.bitDepth, c.printWindow));
    ASSERT_TRUE(h) << c.what;
    EXPECT_TRUE(IsDibSection(h.get())) << c.what;
    EXPECT_EQ(ops.GetBitDepth(h.get()), c.expectedBits) << c.what;
    EXPECT_EQ(ops.GetWidth(h.get()), kPatternWidth) << c.what;
    EXPECT_EQ(ops.GetHeight(h.get()), kPatternHeight) << c.what;
    testsupport::ForEachPatternProbe([&](int x, int y) {
      EXPECT_EQ(AtDepth(ops.ReadPixel(h.get(), x, y), c.expectedBits), AtDepth(PatternColour(x, y), c.expectedBits))
          << c.what << " " << x << "," << y;
    });
  }
  // Own rendering of no window fails; palette depths are refused.
  EXPECT_EQ(ops.CaptureClientBitmap(nullptr, 0, 1), nullptr);
  EXPECT_EQ(ops.CaptureClientBitmap(window.hwnd(), 8), nullptr);
}

TEST(BitmapToolbox, BlankBitmapsAndDepthConversion) {
  位图操作类 ops;
  UniqueBitmap blank(ops.CreateBlankBitmap(33, 17));
  ASSERT_TRUE(blank);
  EXPECT_EQ(ops.GetWidth(blank.get()), 33);
  EXPECT_EQ(ops.GetHeight(blank.get()), 17);
  EXPECT_EQ(ops.GetBitDepth(blank.get()), DisplayDepth());
  EXPECT_FALSE(IsDibSection(blank.get()));

  struct Case {
    int from, to;
  };
  for (const Case c : {Case{16, 24}, Case{24, 32}, Case{32, 16}, Case{24, 16}, Case{32, 24}}) {
    const std::string what = std::to_string(c.from) + " to " + std::to_string(c.to);
    UniqueBitmap source(MakeDib(13, 6, c.from, Checker));
    UniqueBitmap converted(ops.ConvertBitDepth(source.get(), c.to));
    ASSERT_TRUE(converted) << what;
    EXPECT_TRUE(IsDibSection(converted.get())) << what;
    EXPECT_EQ(ops.GetBitDepth(converted.get()), c.to) << what;
    ExpectPixels(converted.get(), 13, 6, Checker, what);
  }
  // The blank bitmap converts too (the screen's format to a DIB section).
  UniqueBitmap fromBlank(ops.ConvertBitDepth(blank.get(), 24));
  EXPECT_EQ(ops.GetWidth(fromBlank.get()), 33);
  EXPECT_EQ(ops.ConvertBitDepth(nullptr, 24), nullptr);
  UniqueBitmap source(MakeDib(4, 4, 24, Checker));
  EXPECT_EQ(ops.ConvertBitDepth(source.get(), 8), nullptr);
  EXPECT_EQ(ops.ConvertBitDepth(source.get(), 0), nullptr);
}

TEST(BitmapToolbox, DrawingAndTilingOnAWindow) {
  const int x0 = 500, y0 = 300;
  TestWindow window(x0, y0, 200, 120, WS_POPUP, RGB(0, 128, 0));
  ASSERT_NE(window.hwnd(), nullptr);
  ASSERT_TRUE(testsupport::WaitForScreenColour(x0 + 150, y0 + 100, RGB(0, 128, 0)));
  位图操作类 ops;

  UniqueBitmap picture(MakeDib(40, 30, 16, Checker));
  std::vector<Probe> drawn;
  for (const auto& p : {std::pair{0, 0}, {39, 29}, {17, 3}, {5, 22}, {39, 0}, {0, 29}}) {
    drawn.push_back({x0 + p.first, y0 + p.second, Checker(p.first, p.second)});
  }
  drawn.push_back({x0 + 40, y0 + 10, RGB(0, 128, 0)});  // only its own rectangle
  drawn.push_back({x0 + 10, y0 + 30, RGB(0, 128, 0)});
  EXPECT_TRUE(ShowsAfterDrawing([&] { return ops.DrawOnWindow(picture.get(), window.hwnd()); }, drawn));

  // The pattern brush fills the bitmap's own rectangle at the top-left, once.
  UniqueBitmap tile(MakeDib(16, 16, 24, [](int x, int y) { return x < 8 ? RGB(255, 0, 255) : RGB(0, 255, 255); }));
  const std::vector<Probe> tiled = {{x0 + 2, y0 + 2, RGB(255, 0, 255)},
                                    {x0 + 12, y0 + 14, RGB(0, 255, 255)},
                                    {x0 + 2, y0 + 16, Checker(2, 16)},  // the drawing around it stays
                                    {x0 + 16, y0 + 2, Checker(16, 2)}};
  EXPECT_TRUE(ShowsAfterDrawing([&] { return ops.TileOnWindow(tile.get(), window.hwnd()); }, tiled));

  EXPECT_FALSE(ops.DrawOnWindow(nullptr, window.hwnd()));
  EXPECT_FALSE(ops.TileOnWindow(nullptr, window.hwnd()));
}

TEST(BitmapToolbox, ClipboardPutAndTake) {
  位图操作类 ops;
  UniqueBitmap picture(MakeDib(21, 11, 32, Checker));
  ASSERT_TRUE(ops.PutOnClipboard(picture.get()));
  picture.release();  // the clipboard's now
  HBITMAP taken = ops.TakeFromClipboard();
  ASSERT_NE(taken, nullptr);
  ExpectPixels(taken, 21, 11, Checker, "taken");
  EXPECT_NE(ops.TakeFromClipboard(), nullptr);  // still there: taking does not remove it

  EXPECT_FALSE(ops.PutOnClipboard(nullptr));
  ASSERT_TRUE(OpenClipboard(nullptr));
  EmptyClipboard();
  CloseClipboard();
  EXPECT_EQ(ops.TakeFromClipboard(), nullptr);
}

TEST(BitmapToolbox, InspectionAndPixels) {
  位图操作类 ops;
  platform::UniqueBrush brush(CreateSolidBrush(RGB(1, 2, 3)));
  const HBITMAP notBitmap = reinterpret_cast<HBITMAP>(brush.get());
  EXPECT_EQ(ops.GetWidth(nullptr), 0);
  EXPECT_EQ(ops.GetHeight(nullptr), 0);
  EXPECT_EQ(ops.GetBitDepth(nullptr), 0);
  EXPECT_EQ(ops.GetWidth(notBitmap), 0);
  EXPECT_EQ(ops.ReadPixel(nullptr, 0, 0), CLR_INVALID);
  EXPECT_FALSE(ops.WritePixel(nullptr, 0, 0, RGB(1, 1, 1)));

  struct Case {
    const char* what;
    std::function<HBITMAP()> make;
    int bits;
  };
  const std::vector<Case> cases = {
      {"16-bit DIB", [] { return MakeDib(9, 7, 16, Checker); }, 16},
      {"24-bit DIB", [] { return MakeDib(9, 7, 24, Checker); }, 24},
      {"32-bit DIB", [] { return MakeDib(9, 7, 32, Checker); }, 32},
      {"screen-compatible", [&] { return ops.CreateBlankBitmap(9, 7); }, DisplayDepth()},
  };
  for (const Case& c : cases) {
    UniqueBitmap h(c.make());
    EXPECT_EQ(ops.GetBitDepth(h.get()), c.bits) << c.what;
    EXPECT_EQ(ops.GetWidth(h.get()), 9) << c.what;
    EXPECT_EQ(ops.GetHeight(h.get()), 7) << c.what;
    for (const COLORREF colour : {RGB(255, 0, 0), RGB(0, 0, 255), RGB(8, 16, 24), RGB(0, 0, 0)}) {
      EXPECT_TRUE(ops.WritePixel(h.get(), 8, 6, colour)) << c.what;
      EXPECT_EQ(ops.ReadPixel(h.get(), 8, 6), colour) << c.what;
    }
    EXPECT_EQ(ops.ReadPixel(h.get(), 9, 0), CLR_INVALID) << c.what;
    EXPECT_EQ(ops.ReadPixel(h.get(), 0, -1), CLR_INVALID) << c.what;
    EXPECT_FALSE(ops.WritePixel(h.get(), 9, 7, RGB(1, 2, 3))) << c.what;
  }
}

TEST(BitmapToolbox, ReplaceColour) {
  位图操作类 ops;
  for (const int bits : {16, 24, 32}) {
    const std::string what = std::to_string(bits) + " bits";
    UniqueBitmap h(MakeDib(15, 8, bits, Checker));
    const ImageBytes before = ops.ToBmpBytes(h.get());
    EXPECT_TRUE(ops.ReplaceColour(h.get(), RGB(255, 0, 0), RGB(255, 0, 0))) << what;
    EXPECT_EQ(ops.ToBmpBytes(h.get()), before) << what;

    EXPECT_TRUE(ops.ReplaceColour(h.get(), RGB(255, 0, 0), RGB(0, 0, 0))) << what;
    ExpectPixels(h.get(), 15, 8, [](int x, int y) {
      const COLORREF c = Checker(x, y);
      return c == RGB(255, 0, 0) ? RGB(0, 0, 0) : c;
    }, what);
    // A colour that is nowhere changes nothing.
    const ImageBytes after = ops.ToBmpBytes(h.get());
    EXPECT_TRUE(ops.ReplaceColour(h.get(), RGB(200, 100, 40), RGB(0, 0, 255))) << what;
    EXPECT_EQ(ops.ToBmpBytes(h.get()), after) << what;
  }
  EXPECT_FALSE(ops.ReplaceColour(nullptr, RGB(0, 0, 0), RGB(1, 1, 1)));
}

TEST(BitmapToolbox, RepeatedOperationsLeaveNoGdiObject) {
  TestWindow window(50, 600, 120, 80, WS_POPUP, RGB(0, 0, 128));
  ASSERT_TRUE(testsupport::WaitForScreenColour(50 + 100, 600 + 70, RGB(0, 0, 128)));
  位图操作类 ops;
  const ImageBytes bmp = Bmp40(7, 5, 24, Checker);
  auto cycle = [&] {
    for (HBITMAP h : {ops.LoadFromBytesViaFile(bmp), ops.LoadFromBmpBytes(bmp), ops.LoadFromPictureBytes(bmp, 3, 3),
                      ops.CaptureClientBitmap(window.hwnd()), ops.CaptureClientBitmap(window.hwnd(), 16, 1),
                      ops.CreateBlankBitmap(5, 5)}) {
      HBITMAP converted = ops.ConvertBitDepth(h, 32);
      ops.DrawOnWindow(h, window.hwnd());
      ops.TileOnWindow(h, window.hwnd());
      ops.WritePixel(h, 1, 1, RGB(1, 2, 3));
      ops.ReadPixel(h, 1, 1);
      ops.ReplaceColour(converted, RGB(255, 0, 0), RGB(0, 255, 0));
      ops.GetBitDepth(h);
      ops.DeleteBitmap(converted);
      ops.DeleteBitmap(h);
    }
    ops.LoadFromBmpBytes(ImageBytes(60, 0x42));
    ops.LoadFromBytesViaFile(ImageBytes(60, 0x42));
    ops.PutOnClipboard(ops.CreateBlankBitmap(4, 4));  // the clipboard frees the one it held before
    ops.TakeFromClipboard();
  };
  // Leaves the clipboard holding nothing of ours, so the probe sees the same objects alive.
  auto emptyClipboard = [] {
    if (OpenClipboard(nullptr)) {
      EmptyClipboard();
      CloseClipboard();
    }
  };
  for (int i = 0; i < 3; ++i) cycle();  // whatever is made once per process is made now
  emptyClipboard();
  const auto before = testsupport::GdiProbe();
  for (int i = 0; i < 15; ++i) cycle();
  emptyClipboard();
  // Screen-compatible bitmaps make the platform free and take one of its own objects again in
  // another order, so the set of slots may be permuted; a leaked object instead takes a slot
  // for good and pushes the deepest slot the probe reaches one further (15 cycles: 15+ deeper).
  const auto after = testsupport::GdiProbe();
  EXPECT_LE(testsupport::GdiDepthGained(before, after), 0);
}

}  // namespace
