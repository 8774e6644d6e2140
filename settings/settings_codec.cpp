#include "settings/settings_codec.h"

#include <cstdint>
#include <limits>

#include "text/text_utils.h"

namespace settings {

std::string EncodeSettings(int captureIndex, int undoIndex) {
  return std::to_string(captureIndex) + "\r\n" + std::to_string(undoIndex);
}

std::string FullWidthToAscii(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    const unsigned char lead = static_cast<unsigned char>(text[i]);
    if (lead <= 0x80 || i + 1 >= text.size()) {
      out.push_back(static_cast<char>(lead));
      continue;
    }
    const unsigned char trail = static_cast<unsigned char>(text[i + 1]);
    char ascii = 0;
    // Row 0xA3 holds the full-width forms of '!'..'~' in ASCII order, except 0xA3A4
    // (full-width yen) and 0xA3FE (full-width macron); code page 936 puts the full-width
    // dollar, tilde and the ideographic blank in row 0xA1.
    if (lead == 0xA3 && trail >= 0xA1 && trail <= 0xFD && trail != 0xA4) {
      ascii = static_cast<char>(trail - 0x80);
    } else if (lead == 0xA1 && trail == 0xA1) {
      ascii = ' ';
    } else if (lead == 0xA1 && trail == 0xE7) {
      ascii = '$';
    } else if (lead == 0xA1 && trail == 0xAB) {
      ascii = '~';
    }
    if (ascii != 0) {
      out.push_back(ascii);
    } else {
      out.push_back(static_cast<char>(lead));
      out.push_back(static_cast<char>(trail));
    }
    ++i;
  }
  return out;
}

int LeadingInteger(std::string_view text) {
  size_t i = 0;
  auto isSpace = [](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; };
  while (i < text.size() && isSpace(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  int64_t value = 0;
  constexpr int64_t kLimit = static_cast<int64_t>(std::numeric_limits<int32_t>::max()) + 1;
  while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
    value = value * 10 + (text[i] - '0');
    if (value > kLimit) value = kLimit;
    ++i;
  }
  if (negative) value = -value;
  if (value > std::numeric_limits<int32_t>::max()) value = std::numeric_limits<int32_t>::max();
  return static_cast<int>(value);
}

int SelectionFromValue(int value) {
  if (value < 0) return -1;
  if (value > kKeyCount - 1) return kKeyCount - 1;
  return value;
}

void SettingsReader::Append(std::string_view chunk) {
  if (complete_) return;
  const size_t old = bytes_.size();
  bytes_.append(chunk);
  const size_t nul = bytes_.find('\0', old);
  const size_t end = nul == std::string::npos ? bytes_.size() : nul;
  // Line ends are found the way LineOfText finds them: a CR LF that starts a character,
  // walking double-byte characters (lead byte above 0x80) as one.
  while (at_ < end) {
    const unsigned char c = static_cast<unsigned char>(bytes_[at_]);
    if (c > 0x80) {
      at_ += 2;
      continue;
    }
    if (c == '\r') {
      if (at_ + 1 >= end && nul == std::string::npos) return;  // the next chunk decides
      if (at_ + 1 < end && bytes_[at_ + 1] == '\n') {
        if (++lineEnds_ == 2) {
          complete_ = true;
          bytes_.resize(at_ + 2);
          return;
        }
        at_ += 2;
        continue;
      }
    }
    at_ += 1;
  }
  if (nul != std::string::npos) {
    complete_ = true;
    bytes_.resize(nul + 1);
  }
}

KeySelections DecodeSettings(std::string_view fileBytes) {
  const std::string_view content = text::UpToNul(fileBytes);
  KeySelections result;
  result.capture = SelectionFromValue(LeadingInteger(FullWidthToAscii(text::LineOfText(content, 1))));
  result.undo = SelectionFromValue(LeadingInteger(FullWidthToAscii(text::LineOfText(content, 2))));
  return result;
}

}  // namespace settings
