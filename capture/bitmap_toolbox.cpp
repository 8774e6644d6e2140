// The bitmap object's general toolbox: loading, client captures, blank bitmaps, depth
// conversion, drawing, the clipboard, inspection and pixels. Every DC, selection, brush and
// file that an operation takes is given back before it returns, on every path.
#include <algorithm>
#include <atomic>
#include <cstring>
#include <string>
#include <vector>

#include "capture/bitmap_internal.h"
#include "capture/bitmap_ops.h"
#include "capture/bmp_load_check.h"
#include "clipboard/clipboard_access.h"
#include "clipboard/picture_decoding.h"
#include "platform/gdi.h"
#include "platform/thread_dpi.h"
#include "platform/unique.h"

namespace capture {

namespace {

using platform::SelectionGuard;
using platform::UniqueBitmap;
using platform::UniqueBrush;
using platform::UniqueHandle;
using platform::UniqueMemoryDC;
using platform::WindowDC;

std::wstring WideFromAnsi(const std::string& text) {
  if (text.empty()) return {};
  const int n = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  if (n <= 0) return {};
  std::wstring out(static_cast<std::size_t>(n), L'\0');
  MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), out.data(), n);
  return out;
}

HBITMAP LoadBitmapFile(const wchar_t* path) {
  return static_cast<HBITMAP>(LoadImageW(nullptr, path, IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE));
}

// A file of our own in the user's temporary folder, made with CREATE_NEW so no other call,
// in this process or another, can have the same one; deleted when the guard ends.
class OwnTemporaryFile {
 public:
  OwnTemporaryFile() {
    wchar_t folder[MAX_PATH + 1] = {};
    const DWORD n = GetTempPathW(MAX_PATH + 1, folder);
    if (n == 0 || n > MAX_PATH) return;
    std::wstring base(folder, n);
    if (base.back() != L'\\') base += L'\\';
    static std::atomic<unsigned> counter{0};
    for (int attempt = 0; attempt < 100; ++attempt) {
      std::wstring path = base + L"位图操作类_载入位图_" + std::to_wstring(GetCurrentProcessId()) + L"_" +
                          std::to_wstring(counter.fetch_add(1)) + L"_" + std::to_wstring(GetTickCount64()) + L".bmp";
      HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_TEMPORARY, nullptr);
      if (h != INVALID_HANDLE_VALUE) {
        file_.reset(h);
        path_ = std::move(path);
        return;
      }
      if (GetLastError() != ERROR_FILE_EXISTS && GetLastError() != ERROR_ALREADY_EXISTS) return;
    }
  }
  OwnTemporaryFile(const OwnTemporaryFile&) = delete;
  OwnTemporaryFile& operator=(const OwnTemporaryFile&) = delete;
  ~OwnTemporaryFile() {
    file_.reset();
    if (!path_.empty()) DeleteFileW(path_.c_str());
  }

  explicit operator bool() const { return static_cast<bool>(file_); }
  const std::wstring& path() const { return path_; }

  // Writes all the bytes and closes the file (the loader opens it again by name).
  bool WriteAndClose(const ImageBytes& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
      const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 30));
      DWORD written = 0;
      if (!WriteFile(file_.get(), bytes.data() + done, chunk, &written, nullptr) || written == 0) return false;
      done += written;
    }
    file_.reset();
    return true;
  }

 private:
  UniqueHandle file_;
  std::wstring path_;
};

}  // namespace

HBITMAP 位图操作类::LoadFromBytesViaFile(const ImageBytes& bytes) {
  OwnTemporaryFile file;
  if (!file || !file.WriteAndClose(bytes)) return nullptr;
  return LoadBitmapFile(file.path().c_str());
}

HBITMAP 位图操作类::LoadFromFile(const std::string& path) {
  const std::wstring wide = WideFromAnsi(path);
  if (wide.empty()) return nullptr;
  return LoadBitmapFile(wide.c_str());
}

HBITMAP 位图操作类::LoadFromBmpBytes(const ImageBytes& bytes) {
  const auto plan = CheckBmpForLoading(bytes);
  if (!plan) return nullptr;
  // Our own copy of the info block: the platform reads its 44 bytes and nothing of the file's
  // header beyond them.
  union {
    BITMAPINFO info;
    std::uint8_t bytes[kInfoBlockSize];
  } block;
  static_assert(sizeof block == kInfoBlockSize);
  std::memcpy(block.bytes, plan->infoBlock.data(), kInfoBlockSize);
  WindowDC screen(nullptr);
  if (!screen) return nullptr;
  return CreateDIBitmap(screen.get(), &block.info.bmiHeader, CBM_INIT, bytes.data() + plan->pixelOffset, &block.info,
                        DIB_RGB_COLORS);
}

HBITMAP 位图操作类::LoadFromPictureBytes(const ImageBytes& bytes, std::int32_t width, std::int32_t height) {
  return clipboard::BitmapFromImageBytes(bytes, width, height);
}

HBITMAP 位图操作类::CaptureClientBitmap(HWND window, std::int32_t bitDepth, std::int32_t usePrintWindow) {
  const std::int32_t bitCount = bitDepth != 0 ? bitDepth : 24;
  if (detail::IsPaletteDepth(bitCount)) return nullptr;
  // The display has no rendering of its own to ask for: a blank picture is no capture.
  if (usePrintWindow != 0 && !window) return nullptr;
  // Physical pixels, as the capture itself takes them.
  platform::ScopedPerMonitorDpi physicalPixels;
  std::int32_t width = 0;
  std::int32_t height = 0;
  if (window) {
    RECT client{};
    if (!GetClientRect(window, &client)) return nullptr;
    width = client.right;
    height = client.bottom;
  } else {
    DEVMODEA mode{};
    mode.dmSize = sizeof mode;
    if (!EnumDisplaySettingsA(nullptr, ENUM_CURRENT_SETTINGS, &mode)) return nullptr;
    width = static_cast<std::int32_t>(mode.dmPelsWidth);
    height = static_cast<std::int32_t>(mode.dmPelsHeight);
  }

  WindowDC source(window);
  if (!source) return nullptr;
  UniqueMemoryDC memory(CreateCompatibleDC(source.get()));
  UniqueBitmap dib(detail::NewDibSection(source.get(), width, height, bitCount));
  if (!memory || !dib) return nullptr;
  {
    SelectionGuard selected(memory.get(), dib.get());
    if (!selected) return nullptr;
    if (usePrintWindow != 0) {
      if (!(PrintWindow(window, memory.get(), PW_CLIENTONLY) & 1)) return nullptr;  // the section goes with `dib`
    } else {
      BitBlt(memory.get(), 0, 0, width, height, source.get(), 0, 0, SRCCOPY);
    }
  }
  return dib.release();
}

HBITMAP 位图操作类::CreateBlankBitmap(std::int32_t width, std::int32_t height) {
  WindowDC screen(nullptr);
  if (!screen) return nullptr;
  return CreateCompatibleBitmap(screen.get(), width, height);
}

HBITMAP 位图操作类::ConvertBitDepth(HBITMAP bitmap, std::int32_t bitDepth) {
  BITMAP record{};
  if (!detail::BitmapRecord(bitmap, record) || detail::IsPaletteDepth(bitDepth)) return nullptr;
  UniqueBitmap dib(detail::NewDibSection(nullptr, record.bmWidth, record.bmHeight, bitDepth));
  UniqueMemoryDC s(CreateCompatibleDC(nullptr));
  UniqueMemoryDC d(CreateCompatibleDC(nullptr));
  if (!dib || !s || !d) return nullptr;
  {
    SelectionGuard sourceSelected(s.get(), bitmap);
    SelectionGuard destinationSelected(d.get(), dib.get());
    if (!sourceSelected || !destinationSelected) return nullptr;
    BitBlt(d.get(), 0, 0, record.bmWidth, record.bmHeight, s.get(), 0, 0, SRCCOPY);
  }
  return dib.release();
}

bool 位图操作类::DrawOnWindow(HBITMAP bitmap, HWND window) {
  BITMAP record{};
  if (!detail::BitmapRecord(bitmap, record)) return false;
  const auto pixelBytes = BmpPixelBytes(record.bmWidth, record.bmHeight, 24);
  if (!pixelBytes || *pixelBytes == 0) return false;
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = record.bmWidth;
  info.bmiHeader.biHeight = record.bmHeight;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  info.bmiHeader.biCompression = BI_RGB;
  std::vector<std::uint8_t> pixels(*pixelBytes);
  {
    UniqueMemoryDC memory(CreateCompatibleDC(nullptr));
    if (!memory) return false;
    if (GetDIBits(memory.get(), bitmap, 0, static_cast<UINT>(record.bmHeight), pixels.data(), &info,
                  DIB_RGB_COLORS) <= 0) {
      return false;
    }
  }
  WindowDC target(window);
  if (!target) return false;
  return SetDIBitsToDevice(target.get(), 0, 0, static_cast<DWORD>(record.bmWidth), static_cast<DWORD>(record.bmHeight),
                           0, 0, 0, static_cast<UINT>(record.bmHeight), pixels.data(), &info, DIB_RGB_COLORS) > 0;
}

bool 位图操作类::TileOnWindow(HBITMAP bitmap, HWND window) {
  BITMAP record{};
  if (!detail::BitmapRecord(bitmap, record)) return false;
  WindowDC target(window);
  if (!target) return false;
  UniqueBrush brush(CreatePatternBrush(bitmap));
  if (!brush) return false;
  RECT area{0, 0, record.bmWidth, record.bmHeight};
  FillRect(target.get(), &area, brush.get());
  return true;
}

bool 位图操作类::PutOnClipboard(HBITMAP bitmap) {
  // A null handle would ask for delayed rendering, which nobody would ever answer.
  if (!bitmap || GetObjectType(bitmap) != OBJ_BITMAP) return false;
  clipboard::ClipboardSession session(clipboard::ClipboardOwnerWindow());
  if (!session) return false;  // someone else's clipboard is not emptied
  EmptyClipboard();
  return SetClipboardData(CF_BITMAP, bitmap) != nullptr;  // from now on the clipboard's
}

HBITMAP 位图操作类::TakeFromClipboard() {
  if (!IsClipboardFormatAvailable(CF_BITMAP)) return nullptr;
  clipboard::ClipboardSession session(nullptr);
  if (!session) return nullptr;
  return static_cast<HBITMAP>(GetClipboardData(CF_BITMAP));
}

std::uint16_t 位图操作类::GetBitDepth(HBITMAP bitmap) {
  BITMAP record{};
  return detail::BitmapRecord(bitmap, record) ? record.bmBitsPixel : 0;
}

std::int32_t 位图操作类::GetWidth(HBITMAP bitmap) {
  BITMAP record{};
  return detail::BitmapRecord(bitmap, record) ? record.bmWidth : 0;
}

std::int32_t 位图操作类::GetHeight(HBITMAP bitmap) {
  BITMAP record{};
  return detail::BitmapRecord(bitmap, record) ? record.bmHeight : 0;
}

namespace {

// The bitmap selected into a memory DC compatible with the screen, for GetPixel/SetPixelV.
struct PixelAccess {
  explicit PixelAccess(HBITMAP bitmap)
      : screen(nullptr), memory(CreateCompatibleDC(screen.get())), selected(memory.get(), bitmap) {}
  explicit operator bool() const { return static_cast<bool>(selected); }
  HDC dc() const { return memory.get(); }

  WindowDC screen;
  UniqueMemoryDC memory;
  SelectionGuard selected;  // last: put back before the DC goes
};

}  // namespace

namespace {

// Some drivers report success for pixels outside a device bitmap; none is there.
bool InsideBitmap(HBITMAP bitmap, std::int32_t x, std::int32_t y) {
  BITMAP record{};
  return detail::BitmapRecord(bitmap, record) && x >= 0 && y >= 0 && x < record.bmWidth && y < record.bmHeight;
}

}  // namespace

COLORREF 位图操作类::ReadPixel(HBITMAP bitmap, std::int32_t x, std::int32_t y) {
  if (!InsideBitmap(bitmap, x, y)) return CLR_INVALID;
  PixelAccess access(bitmap);
  if (!access) return CLR_INVALID;
  return GetPixel(access.dc(), x, y);
}

bool 位图操作类::WritePixel(HBITMAP bitmap, std::int32_t x, std::int32_t y, COLORREF colour) {
  if (!InsideBitmap(bitmap, x, y)) return false;
  PixelAccess access(bitmap);
  if (!access) return false;
  return SetPixelV(access.dc(), x, y, colour) != FALSE;
}

bool 位图操作类::ReplaceColour(HBITMAP bitmap, COLORREF oldColour, COLORREF newColour) {
  BITMAP record{};
  if (!detail::BitmapRecord(bitmap, record)) return false;
  PixelAccess access(bitmap);
  if (!access) return false;
  if (oldColour == newColour) return true;  // every pixel would keep its colour
  for (std::int32_t x = 0; x < record.bmWidth; ++x) {
    for (std::int32_t y = 0; y < record.bmHeight; ++y) {
      if (GetPixel(access.dc(), x, y) == oldColour) SetPixelV(access.dc(), x, y, newColour);
    }
  }
  return true;
}

}  // namespace capture
