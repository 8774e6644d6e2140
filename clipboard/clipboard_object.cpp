#include "clipboard/clipboard_object.h"

#include "clipboard/clipboard_access.h"
#include "clipboard/picture_decoding.h"
#include "platform/gdi.h"

namespace clipboard {

std::unique_ptr<剪辑板类> 剪辑板类::Copy() const { return std::make_unique<剪辑板类>(); }

bool SetImageBytesPatiently(const capture::ImageBytes& image, DWORD patienceMs) {
  if (image.empty()) return false;
  // Decoded before the clipboard is opened: bytes that are no picture leave it untouched.
  platform::UniqueBitmap bitmap(BitmapFromImageBytes(image, 0, 0));
  if (!bitmap) return false;
  ClipboardSession session(ClipboardOwnerWindow(), patienceMs);
  if (!session) return false;
  EmptyClipboard();
  if (!SetClipboardData(CF_BITMAP, bitmap.get())) return false;
  bitmap.release();  // the clipboard's from now on
  return true;
}

bool 剪辑板类::SetImageBytes(const capture::ImageBytes& image) { return SetImageBytesPatiently(image, 0); }

// Slots 2 to 10 are in clipboard_toolbox.cpp.

}  // namespace clipboard
