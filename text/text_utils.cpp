#include "text/text_utils.h"

#include <cstdint>

namespace text {
namespace {

bool IsAsciiLetter(unsigned c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

// The byte rule: text byte a against sought byte b.
bool BytesEqual(unsigned char a, unsigned char b, bool ignoreCase) {
  if (a == b) return true;
  if (a >= 0x80) return false;
  if (!ignoreCase) return false;
  const unsigned flipped = a ^ 0x20u;
  return flipped == b && IsAsciiLetter(flipped);
}

// Walks the text character by character from its first byte, so that asking whether an
// offset starts a character costs nothing extra as long as the offsets only grow.
class CharacterWalk {
 public:
  explicit CharacterWalk(std::string_view text) : text_(text) {}
  bool StartsCharacter(size_t offset) {
    while (at_ < offset) at_ += static_cast<unsigned char>(text_[at_]) > 0x80 ? 2 : 1;
    return at_ == offset;
  }

 private:
  std::string_view text_;
  size_t at_ = 0;
};

// With ignoreCase, the trail byte of every double-byte character of `sought` must match exactly.
bool TrailBytesExact(std::string_view text, size_t at, std::string_view sought) {
  auto byteOr0 = [](std::string_view s, size_t i) -> unsigned char {
    return i < s.size() ? static_cast<unsigned char>(s[i]) : 0;
  };
  size_t j = 0;
  while (j < sought.size()) {
    if (static_cast<unsigned char>(sought[j]) > 0x80) {
      if (byteOr0(sought, j + 1) != byteOr0(text, at + j + 1)) return false;
      j += 2;
    } else {
      j += 1;
    }
  }
  return true;
}

}  // namespace

std::string_view UpToNul(std::string_view bytes) {
  const size_t nul = bytes.find('\0');
  return nul == std::string_view::npos ? bytes : bytes.substr(0, nul);
}

int FindText(std::string_view text, std::string_view sought, int start, bool ignoreCase) {
  text = UpToNul(text);
  sought = UpToNul(sought);
  if (text.empty() || sought.empty()) return -1;
  const int64_t s = start - 1 < 0 ? 0 : static_cast<int64_t>(start) - 1;
  const int64_t remaining = static_cast<int64_t>(text.size()) - s;
  if (static_cast<int64_t>(sought.size()) > remaining) return -1;
  const size_t last = static_cast<size_t>(s + remaining - static_cast<int64_t>(sought.size()));
  const unsigned char first = static_cast<unsigned char>(sought[0]);
  CharacterWalk walk(text);
  for (size_t cand = static_cast<size_t>(s); cand <= last; ++cand) {
    if (!BytesEqual(static_cast<unsigned char>(text[cand]), first, ignoreCase)) continue;
    size_t k = 1;
    while (k < sought.size() &&
           BytesEqual(static_cast<unsigned char>(text[cand + k]), static_cast<unsigned char>(sought[k]), ignoreCase))
      ++k;
    if (k != sought.size()) continue;
    if (!walk.StartsCharacter(cand)) continue;
    if (ignoreCase && !TrailBytesExact(text, cand, sought)) continue;
    return static_cast<int>(cand + 1);
  }
  return -1;
}

std::string MidText(std::string_view text, int start, int count) {
  text = UpToNul(text);
  const int64_t len = static_cast<int64_t>(text.size());
  // Every caller passes a start of at least 1; a start of 0 is treated as out of range too.
  if (start < 1 || start > len) return {};
  int64_t n = count;
  if (n > len - start + 1) n = len - start + 1;
  if (n < 1) return {};
  return std::string(text.substr(static_cast<size_t>(start - 1), static_cast<size_t>(n)));
}

std::string RightText(std::string_view text, int count) {
  text = UpToNul(text);
  if (count < 1) return {};
  if (static_cast<size_t>(count) > text.size()) return std::string(text);
  return std::string(text.substr(text.size() - static_cast<size_t>(count)));
}

std::vector<std::string> SplitText(std::string_view text, std::string_view separator, int maxCount) {
  text = UpToNul(text);
  separator = UpToNul(separator);
  std::vector<std::string> pieces;
  const int sepLen = static_cast<int>(separator.size());
  int start = 1;
  int n = 0;
  for (;;) {
    const int found = FindText(text, separator, start, false);
    if (found == -1) break;
    ++n;
    pieces.push_back(MidText(text, start, found - start));
    if (n == maxCount) return pieces;
    start = found + sepLen;
  }
  pieces.push_back(RightText(text, static_cast<int>(text.size()) - start + 1));
  return pieces;
}

std::string LineOfText(std::string_view text, int n) {
  if (n < 1) return {};
  std::vector<std::string> lines = SplitText(text, "\r\n", 0);
  if (lines.size() >= static_cast<size_t>(n)) return std::move(lines[static_cast<size_t>(n - 1)]);
  return {};
}

std::string TextBetween(std::string_view text, std::string_view startMarker, std::string_view endMarker, int& position) {
  int a = FindText(text, startMarker, position, false);
  if (a == -1) {
    position = 0;
    return {};
  }
  a += static_cast<int>(UpToNul(startMarker).size());
  const int b = FindText(text, endMarker, a, false);
  if (b == -1) {
    position = 0;
    return {};
  }
  position = b + static_cast<int>(UpToNul(endMarker).size());
  return MidText(text, a, b - a);
}

}  // namespace text
