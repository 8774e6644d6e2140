#include "capture/bitmap_ops.h"

#include "capture/bitmap_internal.h"

#include <cstring>

#include "platform/gdi.h"
#include "platform/thread_dpi.h"

namespace capture {

namespace {

using platform::SelectionGuard;
using platform::UniqueBitmap;
using platform::UniqueMemoryDC;
using platform::WindowDC;

// Every DIB section of the class: 40-byte header, BI_RGB, no colour table, rows bottom-up
// for a positive height.
HBITMAP CreateDibSection(HDC dc, std::int32_t width, std::int32_t height, std::int32_t bitCount) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = static_cast<WORD>(bitCount);
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  return CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
}

bool GetBitmapRecord(HBITMAP bitmap, BITMAP& record) {
  if (!bitmap || GetObjectType(bitmap) != OBJ_BITMAP) return false;
  return GetObjectW(bitmap, sizeof record, &record) == sizeof record;
}

// No colour table is built or carried, so palette depths are refused.
bool IsPaletteDepth(std::int32_t bitCount) { return bitCount > 0 && bitCount <= 8; }

HBITMAP CaptureScreen(std::int32_t width, std::int32_t height, std::int32_t bitCount) {
  WindowDC screen(nullptr);
  if (!screen) return nullptr;
  UniqueMemoryDC memory(CreateCompatibleDC(screen.get()));
  UniqueBitmap dib(CreateDibSection(screen.get(), width, height, bitCount));
  if (!memory || !dib) return nullptr;
  {
    SelectionGuard selected(memory.get(), dib.get());
    if (!selected) return nullptr;
    // SRCCOPY alone: CAPTUREBLT would make layered windows flicker while the grab runs.
    BitBlt(memory.get(), 0, 0, width, height, screen.get(), 0, 0, SRCCOPY);
  }
  return dib.release();
}

HBITMAP CaptureWindowImage(HWND window, std::int32_t bitDepth) {
  if (IsIconic(window) || !IsWindowVisible(window)) return nullptr;
  RECT wr{};
  GetWindowRect(window, &wr);
  WindowDC screen(nullptr);
  if (!screen) return nullptr;

  // The whole window, frame included, as the window draws itself.
  UniqueMemoryDC m1(CreateCompatibleDC(screen.get()));
  UniqueBitmap b1(CreateCompatibleBitmap(screen.get(), wr.right - wr.left, wr.bottom - wr.top));
  if (!m1 || !b1) return nullptr;
  SelectionGuard s1(m1.get(), b1.get());
  if (!s1 || !(PrintWindow(window, m1.get(), 0) & 1)) return nullptr;

  // Its client area cut out, one pixel wider and taller than the client.
  RECT cr{};
  GetClientRect(window, &cr);
  POINT origin{0, 0};
  ClientToScreen(window, &origin);
  UniqueMemoryDC m2(CreateCompatibleDC(screen.get()));
  UniqueBitmap b2(CreateCompatibleBitmap(screen.get(), cr.right + 1, cr.bottom + 1));
  if (!m2 || !b2) return nullptr;
  SelectionGuard s2(m2.get(), b2.get());
  if (!s2) return nullptr;
  BitBlt(m2.get(), 0, 0, cr.right + 1, cr.bottom + 1, m1.get(), origin.x - wr.left, origin.y - wr.top, SRCCOPY);
  s1.restore();
  b1.reset();
  m1.reset();

  if (bitDepth == 0) {
    s2.restore();
    return b2.release();  // the display's own format
  }

  // The exact client size at the asked depth.
  UniqueMemoryDC m3(CreateCompatibleDC(screen.get()));
  UniqueBitmap dib(CreateDibSection(screen.get(), cr.right, cr.bottom, bitDepth));
  if (!m3 || !dib) return nullptr;
  {
    SelectionGuard s3(m3.get(), dib.get());
    if (!s3) return nullptr;
    BitBlt(m3.get(), 0, 0, cr.right, cr.bottom, m2.get(), 0, 0, SRCCOPY);
  }
  return dib.release();
}

}  // namespace

std::unique_ptr<位图操作类> 位图操作类::Copy() const { return std::make_unique<位图操作类>(); }

HBITMAP 位图操作类::CaptureBitmap(HWND window, std::int32_t bitDepth) {
  DEVMODEA mode{};
  mode.dmSize = sizeof mode;
  if (!EnumDisplaySettingsA(nullptr, ENUM_CURRENT_SETTINGS, &mode)) return nullptr;
  const std::int32_t bitCount = bitDepth != 0 ? bitDepth : static_cast<std::int32_t>(mode.dmBitsPerPel);
  if (IsPaletteDepth(bitCount)) return nullptr;
  // Physical pixels whatever the process declared: an unaware thread would get a scaled or
  // cropped screen on a display above 100%.
  platform::ScopedPerMonitorDpi physicalPixels;
  if (!window) {
    return CaptureScreen(static_cast<std::int32_t>(mode.dmPelsWidth), static_cast<std::int32_t>(mode.dmPelsHeight),
                         bitCount);
  }
  return CaptureWindowImage(window, bitDepth);
}

ImageBytes 位图操作类::ToBmpBytes(HBITMAP bitmap) {
  BITMAP record{};
  if (!GetBitmapRecord(bitmap, record) || IsPaletteDepth(record.bmBitsPixel)) return {};
  UniqueMemoryDC dc(CreateCompatibleDC(nullptr));
  if (!dc) return {};

  // The info block we keep is 44 bytes, but GetDIBits may write three bit-field masks or a
  // whole colour table behind the header: give it room for the largest of them.
  union InfoBlock {
    BITMAPINFO info;
    std::uint8_t bytes[sizeof(BITMAPINFOHEADER) + 4 + 256 * sizeof(RGBQUAD) + 3 * sizeof(DWORD)];
  } block;
  std::memset(&block, 0, sizeof block);
  BITMAPINFOHEADER& header = block.info.bmiHeader;
  header.biSize = kInfoBlockSize;
  if (!GetDIBits(dc.get(), bitmap, 0, 0, nullptr, &block.info, DIB_RGB_COLORS) || header.biBitCount <= 8) return {};

  const auto pixelBytes = BmpPixelBytes(header.biWidth, header.biHeight, header.biBitCount);
  if (!pixelBytes) return {};
  header.biCompression = BI_RGB;  // rows as plain 5-5-5 / 8-8-8 words, whatever was reported
  header.biSizeImage = *pixelBytes;

  // One buffer for the whole file: the rows are read straight behind the headers.
  ImageBytes out(kPixelOffset + static_cast<std::size_t>(*pixelBytes));
  const int rows = GetDIBits(dc.get(), bitmap, 0, static_cast<UINT>(record.bmHeight), out.data() + kPixelOffset,
                             &block.info, DIB_RGB_COLORS);
  if (rows <= 0) return {};  // no pixels read: nothing to hand out as a picture
  header.biSize = kInfoBlockSize;
  header.biCompression = BI_RGB;
  header.biSizeImage = *pixelBytes;
  WriteBmpFileHeader(out.data(), *pixelBytes);
  std::memcpy(out.data() + kFileHeaderSize, block.bytes, kInfoBlockSize);
  return out;
}

bool 位图操作类::CopyRegion(HBITMAP source, HBITMAP& destination, std::int32_t srcX, std::int32_t srcY,
                           std::int32_t width, std::int32_t height, std::int32_t dstX, std::int32_t dstY) {
  BITMAP record{};
  if (!GetBitmapRecord(source, record)) return false;
  UniqueMemoryDC s(CreateCompatibleDC(nullptr));
  SelectionGuard sourceSelected(s.get(), source);
  UniqueMemoryDC d(CreateCompatibleDC(nullptr));

  const std::int32_t w = width > 0 ? width : static_cast<std::int32_t>(record.bmWidth - static_cast<std::int64_t>(srcX));
  const std::int32_t h =
      height > 0 ? height : static_cast<std::int32_t>(record.bmHeight - static_cast<std::int64_t>(srcY));

  BITMAP existing{};
  if (!GetBitmapRecord(destination, existing)) destination = CreateDibSection(nullptr, w, h, record.bmBitsPixel);
  SelectionGuard destinationSelected(d.get(), destination);
  if (sourceSelected && destinationSelected) BitBlt(d.get(), dstX, dstY, w, h, s.get(), srcX, srcY, SRCCOPY);
  return true;
}

void 位图操作类::DeleteBitmap(HBITMAP bitmap) {
  if (bitmap) DeleteObject(bitmap);
}

// Shared with the toolbox operations (bitmap_toolbox.cpp).
namespace detail {
HBITMAP NewDibSection(HDC dc, std::int32_t width, std::int32_t height, std::int32_t bitCount) {
  return CreateDibSection(dc, width, height, bitCount);
}
bool BitmapRecord(HBITMAP bitmap, BITMAP& record) { return GetBitmapRecord(bitmap, record); }
bool IsPaletteDepth(std::int32_t bitCount) { return capture::IsPaletteDepth(bitCount); }
}  // namespace detail

}  // namespace capture
