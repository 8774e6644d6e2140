// 剪辑板类: the program's operations on the clipboard. The class holds no data; an instance
// is only its table of virtual operations, in a fixed slot order. Exclusive use of the
// clipboard comes from OpenClipboard.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "capture/bmp_layout.h"
#include "platform/win.h"

namespace clipboard {

class 剪辑板类 {
 public:
  剪辑板类() = default;  // the initialisation does nothing

  // Slot 0 (Destroy): runs at destruction, does nothing.
  virtual ~剪辑板类() = default;
  // Slot 1: a new instance (there is no data to copy).
  virtual std::unique_ptr<剪辑板类> Copy() const;

  // Slots 2-10: texts (ANSI bytes up to the first NUL, as CF_TEXT), file lists (CF_HDROP of
  // ANSI names, "Preferred DropEffect" 2 when cut), "HTML Format" (written as UTF-8 from the
  // ANSI code page, read back into code page 936) and the clipboard bitmap as BMP bytes.
  // Setting operations empty the clipboard first and leave it empty when they fail after
  // that; reading operations give false, empty values or 0 when their format is absent.
  virtual bool Clear();
  virtual bool SetText(const std::string& text);
  virtual std::string GetText();
  virtual std::string GetTextBytes();
  virtual bool SetFileList(const std::vector<std::string>& paths, bool cut = false);
  virtual std::int32_t GetFileList(std::vector<std::string>& paths, bool* cut = nullptr);
  virtual std::string GetHtml();
  virtual bool SetHtml(const std::string& text);
  virtual capture::ImageBytes GetImageBytes();

  // Slot 11: decodes the picture file bytes and places the bitmap as CF_BITMAP, replacing
  // everything on the clipboard. False, with the earlier content left in place, for empty
  // bytes, bytes that are no picture, or a clipboard that another program holds open.
  virtual bool SetImageBytes(const capture::ImageBytes& image);

 protected:
  剪辑板类(const 剪辑板类&) = default;
  剪辑板类& operator=(const 剪辑板类&) = default;
};

// SetImageBytes that waits up to patienceMs for a clipboard another program holds open.
bool SetImageBytesPatiently(const capture::ImageBytes& image, DWORD patienceMs);

}  // namespace clipboard
