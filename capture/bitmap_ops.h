// 位图操作类: the program's operations on GDI bitmaps. The class holds no data; an instance is
// only its table of virtual operations, in a fixed slot order that later additions keep.
// Bitmaps that an operation returns belong to the caller (free them with DeleteBitmap).
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "capture/bmp_layout.h"
#include "platform/win.h"

namespace capture {

class 位图操作类 {
 public:
  位图操作类() = default;  // the initialisation does nothing

  // Slot 0 (Destroy): runs at destruction, does nothing.
  virtual ~位图操作类() = default;
  // Slot 1: a new instance (there is no data to copy).
  virtual std::unique_ptr<位图操作类> Copy() const;

  // Slots 2-5: loading; null when nothing could be loaded. LoadFromBytesViaFile goes through
  // a temporary file of its own (removed again whatever happens); LoadFromFile takes an ANSI
  // path; LoadFromBmpBytes accepts only what CheckBmpForLoading (bmp_load_check.h) accepts;
  // LoadFromPictureBytes decodes any picture the platform's loader knows, at width x height
  // (0 keeps the picture's own).
  virtual HBITMAP LoadFromBytesViaFile(const ImageBytes& bytes);
  virtual HBITMAP LoadFromFile(const std::string& path);
  virtual HBITMAP LoadFromBmpBytes(const ImageBytes& bytes);
  virtual HBITMAP LoadFromPictureBytes(const ImageBytes& bytes, std::int32_t width = 0, std::int32_t height = 0);

  // Slot 6: the primary display (window null) as a DIB section of bitDepth bits (0: the
  // display's own), or a window's client area through its own rendering (PrintWindow).
  // Null for a minimised or hidden window, a failed PrintWindow, or a depth of 8 bits or
  // fewer (no colour table is carried).
  virtual HBITMAP CaptureBitmap(HWND window = nullptr, std::int32_t bitDepth = 0);

  // Slot 7: the client area of `window` (null: the display) as a DIB section of bitDepth
  // bits (0: 24), through the window's DC or, with usePrintWindow, its own rendering. Null
  // for a failed PrintWindow or a palette depth. Slot 8: a screen-compatible bitmap.
  virtual HBITMAP CaptureClientBitmap(HWND window = nullptr, std::int32_t bitDepth = 0, std::int32_t usePrintWindow = 0);
  virtual HBITMAP CreateBlankBitmap(std::int32_t width, std::int32_t height);

  // Slot 9: the bitmap as a BMP file image (44-byte info block, pixels at 58). Empty when
  // `bitmap` is not a bitmap or has 8 bits per pixel or fewer. The bitmap must not be
  // selected into a DC meanwhile.
  virtual ImageBytes ToBmpBytes(HBITMAP bitmap);

  // Slot 10: a DIB section copy at bitDepth bits; null when `bitmap` is not a bitmap or the
  // depth is not one the class makes.
  virtual HBITMAP ConvertBitDepth(HBITMAP bitmap, std::int32_t bitDepth);

  // Slot 11: copies the rectangle (srcX, srcY, width x height) of `source` to (dstX, dstY)
  // of `destination`, making the destination (a DIB section of the source's depth and the
  // rectangle's size) when it holds no bitmap. A width or height of 0 or less reaches the
  // source's right or bottom edge. False only when `source` is not a bitmap.
  virtual bool CopyRegion(HBITMAP source, HBITMAP& destination, std::int32_t srcX = 0, std::int32_t srcY = 0,
                          std::int32_t width = 0, std::int32_t height = 0, std::int32_t dstX = 0,
                          std::int32_t dstY = 0);

  // Slots 12-21. DrawOnWindow draws at the window's top-left through a 24-bit copy of the
  // pixels; TileOnWindow fills the bitmap's own rectangle with it as a pattern brush (window
  // null: the screen). PutOnClipboard hands the bitmap to the clipboard (the caller keeps it
  // only on false); TakeFromClipboard's handle stays the clipboard's. GetBitDepth, GetWidth,
  // GetHeight are 0 for a handle that is no bitmap; ReadPixel gives CLR_INVALID outside.
  virtual bool DrawOnWindow(HBITMAP bitmap, HWND window);
  virtual bool TileOnWindow(HBITMAP bitmap, HWND window = nullptr);
  virtual bool PutOnClipboard(HBITMAP bitmap);
  virtual HBITMAP TakeFromClipboard();
  virtual std::uint16_t GetBitDepth(HBITMAP bitmap);
  virtual std::int32_t GetWidth(HBITMAP bitmap);
  virtual std::int32_t GetHeight(HBITMAP bitmap);
  virtual COLORREF ReadPixel(HBITMAP bitmap, std::int32_t x, std::int32_t y);
  virtual bool WritePixel(HBITMAP bitmap, std::int32_t x, std::int32_t y, COLORREF colour);
  virtual bool ReplaceColour(HBITMAP bitmap, COLORREF oldColour, COLORREF newColour);

  // Slot 22: DeleteObject; a null handle is harmless.
  virtual void DeleteBitmap(HBITMAP bitmap);

 protected:
  位图操作类(const 位图操作类&) = default;
  位图操作类& operator=(const 位图操作类&) = default;
};

}  // namespace capture
