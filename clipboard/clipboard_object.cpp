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

// The text, file-list, HTML and bitmap-reading operations keep their slots but are not
// provided yet: each gives the failure result of its kind.
bool 剪辑板类::Clear() { return false; }
bool 剪辑板类::SetText(const std::string&) { return false; }
std::string 剪辑板类::GetText() { return {}; }
std::string 剪辑板类::GetTextBytes() { return {}; }
bool 剪辑板类::SetFileList(const std::vector<std::string>&, bool) { return false; }
std::int32_t 剪辑板类::GetFileList(std::vector<std::string>& paths, bool* cut) {
  paths.clear();
  if (cut) *cut = false;
  return 0;
}
std::string 剪辑板类::GetHtml() { return {}; }
bool 剪辑板类::SetHtml(const std::string&) { return false; }
capture::ImageBytes 剪辑板类::GetImageBytes() { return {}; }

}  // namespace clipboard
