// Fuzzes the text utilities with arbitrary texts, markers and positions.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "text/text_utils.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 4) return 0;
  const int start = static_cast<int8_t>(data[0]);
  const int count = static_cast<int8_t>(data[1]);
  const bool ignoreCase = data[2] & 1;
  const size_t split = data[3] % (size - 3);
  const std::string_view rest(reinterpret_cast<const char*>(data + 4), size - 4);
  const std::string_view a = rest.substr(0, split), b = rest.substr(split);

  const int found = text::FindText(b, a, start, ignoreCase);
  if (found != -1 && (found < 1 || static_cast<size_t>(found) > b.size())) __builtin_trap();
  const std::string mid = text::MidText(b, start, count);
  if (mid.size() > b.size()) __builtin_trap();
  const std::string right = text::RightText(b, count);
  if (right.size() > b.size()) __builtin_trap();
  const auto pieces = text::SplitText(b, a, count < 0 ? 0 : count);
  if (pieces.empty()) __builtin_trap();
  (void)text::LineOfText(b, count);
  int position = start;
  const std::string between = text::TextBetween(b, a, "]", position);
  if (between.size() > b.size()) __builtin_trap();
  return 0;
}
