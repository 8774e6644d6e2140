// The settings file's bytes: the capture key's and the undo key's list indices in decimal,
// joined by CR LF, nothing after the last digit. Pure code, built for Windows and natively.
#pragma once

#include <string>
#include <string_view>

namespace settings {

constexpr int kKeyCount = 17;  // items in each key list, indices 0..16

struct KeySelections {
  int capture = -1;  // selected index of the capture-key list, -1 = no selection
  int undo = -1;     // selected index of the undo-key list, -1 = no selection
  bool operator==(const KeySelections&) const = default;
};

// The file content for two list indices (-1 is written as "-1").
std::string EncodeSettings(int captureIndex, int undoIndex);

// The selections a file's bytes give: the text ends at the first NUL, line k (CR LF ends a
// line) gives list k's value after full-width forms become ASCII and its leading integer is
// read; values above 16 select 16, negative values select nothing, no digits read as 0.
KeySelections DecodeSettings(std::string_view fileBytes);

// Collects a file's bytes chunk by chunk until they hold everything DecodeSettings looks
// at (a NUL, or the CR LF that ends line 2); bytes after that cannot change the result.
// Every byte is looked at once.
class SettingsReader {
 public:
  void Append(std::string_view chunk);
  bool Complete() const { return complete_; }
  const std::string& Bytes() const { return bytes_; }

 private:
  std::string bytes_;
  size_t at_ = 0;  // next character start not yet looked at
  int lineEnds_ = 0;
  bool complete_ = false;
};

// Full-width (double-byte, code page 936) forms of the ASCII characters turned into ASCII;
// every other character is kept as it is.
std::string FullWidthToAscii(std::string_view text);

// Leading decimal integer as the C library reads it: white space, one sign, digits.
// Saturates at the 32-bit limits; no digits gives 0.
int LeadingInteger(std::string_view text);

// A read value turned into a list selection of kKeyCount items.
int SelectionFromValue(int value);

}  // namespace settings
