// The clipboard object's operations on texts, file lists, HTML and the clipboard bitmap.
// Setting operations open the clipboard with the program's own owner window and empty it
// first; reading operations look for their format before opening it, and never read past the
// size of the data they are given, whether or not it ends in a NUL.
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "capture/bitmap_ops.h"
#include "clipboard/clipboard_access.h"
#include "clipboard/clipboard_object.h"
#include "clipboard/clipboard_toolbox.h"
#include "platform/global_memory.h"

#include <shellapi.h>  // after the prelude: DragQueryFileA

namespace clipboard {

namespace {

using platform::GlobalLockGuard;
using platform::UniqueGlobal;

constexpr std::uint32_t kDropFilesHeaderSize = 20;  // DROPFILES: pFiles, pt, fNC, fWide
constexpr std::uint32_t kDropEffectMove = 2;        // "Preferred DropEffect" of a cut

HGLOBAL DefaultAllocate(UINT flags, SIZE_T bytes) { return GlobalAlloc(flags, bytes); }
BlockAllocator g_allocate = DefaultAllocate;

UINT DropEffectFormat() { return RegisterClipboardFormatA("Preferred DropEffect"); }
UINT HtmlFormat() { return RegisterClipboardFormatA("HTML Format"); }

// A zero-initialised movable block of `size` bytes holding `data` at its start; null when it
// cannot be allocated or locked.
UniqueGlobal NewBlock(const void* data, std::size_t length, std::size_t size) {
  UniqueGlobal block(g_allocate(GMEM_MOVEABLE | GMEM_ZEROINIT, size));
  if (!block) return {};
  GlobalLockGuard locked(block.get());
  if (!locked) return {};
  if (length) std::memcpy(locked.data(), data, length);
  return block;
}

// Hands the block to the open clipboard; it is the clipboard's only when accepted.
bool Place(UINT format, UniqueGlobal block) {
  if (!block || !format) return false;
  if (!SetClipboardData(format, block.get())) return false;
  block.release();
  return true;
}

// The bytes of a clipboard handle's data up to its first 0 byte, never beyond its size.
std::string BytesUpToNul(HANDLE data) {
  if (!data) return {};
  GlobalLockGuard locked(data);
  if (!locked) return {};
  const auto* p = static_cast<const char*>(locked.data());
  const std::size_t size = locked.size();
  const void* nul = std::memchr(p, 0, size);
  return std::string(p, nul ? static_cast<const char*>(nul) - p : size);
}

std::string ReadTextFormat(UINT format) {
  if (!format || !IsClipboardFormatAvailable(format)) return {};
  ClipboardSession session(nullptr);
  if (!session) return {};
  return BytesUpToNul(GetClipboardData(format));
}

std::wstring ToWide(UINT codePage, const std::string& text) {
  if (text.empty()) return {};
  const int n = MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  if (n <= 0) return {};
  std::wstring out(static_cast<std::size_t>(n), L'\0');
  MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), out.data(), n);
  return out;
}

std::string FromWide(UINT codePage, DWORD flags, const std::wstring& text) {
  if (text.empty()) return {};
  const int n =
      WideCharToMultiByte(codePage, flags, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
  if (n <= 0) return {};
  std::string out(static_cast<std::size_t>(n), '\0');
  WideCharToMultiByte(codePage, flags, text.data(), static_cast<int>(text.size()), out.data(), n, nullptr, nullptr);
  return out;
}

}  // namespace

BlockAllocator SetBlockAllocatorForTests(BlockAllocator allocator) {
  const BlockAllocator previous = g_allocate;
  g_allocate = allocator ? allocator : DefaultAllocate;
  return previous;
}

std::optional<std::size_t> DropListNameCount(const std::uint8_t* block, std::size_t size) {
  if (size < kDropFilesHeaderSize) return std::nullopt;
  auto get32 = [&](std::size_t at) {
    return static_cast<std::uint32_t>(block[at]) | (static_cast<std::uint32_t>(block[at + 1]) << 8) |
           (static_cast<std::uint32_t>(block[at + 2]) << 16) | (static_cast<std::uint32_t>(block[at + 3]) << 24);
  };
  const std::uint32_t first = get32(0);
  const bool wide = get32(16) != 0;
  const std::size_t unit = wide ? 2 : 1;
  if (first < kDropFilesHeaderSize || first > size) return std::nullopt;
  // Names end at an empty name: two zero units in a row, or one at the very start.
  bool previousWasZero = true;
  std::size_t names = 0;
  for (std::size_t at = first; at + unit <= size; at += unit) {
    const bool zero = block[at] == 0 && (!wide || block[at + 1] == 0);
    if (zero && previousWasZero) return names;
    if (zero) ++names;
    previousWasZero = zero;
  }
  return std::nullopt;
}

bool 剪辑板类::Clear() {
  ClipboardSession session(ClipboardOwnerWindow());
  if (!session) return false;
  return EmptyClipboard() != FALSE;
}

bool 剪辑板类::SetText(const std::string& text) {
  ClipboardSession session(ClipboardOwnerWindow());
  if (!session) return false;
  EmptyClipboard();
  const std::size_t length = std::strlen(text.c_str());  // a text ends at its first NUL
  return Place(CF_TEXT, NewBlock(text.data(), length, length + 1));
}

std::string 剪辑板类::GetText() { return ReadTextFormat(CF_TEXT); }

std::string 剪辑板类::GetTextBytes() { return ReadTextFormat(CF_TEXT); }

bool 剪辑板类::SetFileList(const std::vector<std::string>& paths, bool cut) {
  ClipboardSession session(ClipboardOwnerWindow());
  if (!session) return false;
  EmptyClipboard();

  std::vector<std::uint8_t> list(kDropFilesHeaderSize, 0);
  list[0] = static_cast<std::uint8_t>(kDropFilesHeaderSize);  // pFiles; pt, fNC, fWide (ANSI) stay 0
  for (const std::string& path : paths) {
    const std::size_t length = std::strlen(path.c_str());
    list.insert(list.end(), path.data(), path.data() + length);
    list.push_back(0);
  }
  list.push_back(0);  // the empty name that ends the list
  if (!Place(CF_HDROP, NewBlock(list.data(), list.size(), list.size()))) return false;

  if (cut) {
    const std::uint32_t effect = kDropEffectMove;
    Place(DropEffectFormat(), NewBlock(&effect, sizeof effect, sizeof effect));  // the list stands without it
  }
  return true;
}

std::int32_t 剪辑板类::GetFileList(std::vector<std::string>& paths, bool* cut) {
  paths.clear();
  if (cut) *cut = false;
  if (!IsClipboardFormatAvailable(CF_HDROP)) return 0;
  ClipboardSession session(nullptr);
  if (!session) return 0;
  HANDLE data = GetClipboardData(CF_HDROP);
  if (!data) return 0;
  std::optional<std::size_t> listed;
  {
    // The platform's reader trusts the list to be terminated, and some count an empty list as
    // one name: check the list inside the block, and count it, before handing it over.
    GlobalLockGuard locked(data);
    if (locked) listed = DropListNameCount(static_cast<const std::uint8_t*>(locked.data()), locked.size());
  }
  if (!listed || *listed == 0) return 0;
  HDROP drop = static_cast<HDROP>(data);
  const UINT count = std::min<UINT>(DragQueryFileA(drop, 0xFFFFFFFF, nullptr, 0), static_cast<UINT>(*listed));
  std::vector<std::string> names;
  names.reserve(count);
  for (UINT i = 0; i < count; ++i) {
    const UINT length = DragQueryFileA(drop, i, nullptr, 0);  // whole names, however long
    std::string name(static_cast<std::size_t>(length) + 1, '\0');
    const UINT copied = DragQueryFileA(drop, i, name.data(), length + 1);
    name.resize(std::min<std::size_t>(copied, length));
    names.push_back(std::move(name));
  }

  if (cut) {
    const UINT format = DropEffectFormat();
    if (HANDLE effect = format ? GetClipboardData(format) : nullptr) {
      GlobalLockGuard locked(effect);
      std::uint32_t value = 0;
      if (locked && locked.size() >= sizeof value) std::memcpy(&value, locked.data(), sizeof value);
      *cut = value == kDropEffectMove;
    }
  }
  paths = std::move(names);
  return static_cast<std::int32_t>(paths.size());
}

std::string 剪辑板类::GetHtml() {
  const std::string utf8 = ReadTextFormat(HtmlFormat());
  return FromWide(936, WC_COMPOSITECHECK, ToWide(CP_UTF8, utf8));
}

bool 剪辑板类::SetHtml(const std::string& text) {
  ClipboardSession session(ClipboardOwnerWindow());
  if (!session) return false;
  EmptyClipboard();
  const std::string utf8 = FromWide(CP_UTF8, 0, ToWide(CP_ACP, std::string(text.c_str())));
  return Place(HtmlFormat(), NewBlock(utf8.data(), utf8.size(), utf8.size() + 1));
}

capture::ImageBytes 剪辑板类::GetImageBytes() {
  if (!IsClipboardFormatAvailable(CF_BITMAP)) return {};
  ClipboardSession session(nullptr);
  if (!session) return {};
  HBITMAP bitmap = static_cast<HBITMAP>(GetClipboardData(CF_BITMAP));
  if (!bitmap) return {};
  // Serialised while the clipboard is open, exactly as the bitmap object writes BMP bytes;
  // the handle stays the clipboard's.
  capture::位图操作类 bitmaps;
  return bitmaps.ToBmpBytes(bitmap);
}

}  // namespace clipboard
