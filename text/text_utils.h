// Byte-text utilities: finding, cutting, splitting, lines and the text between markers.
// Texts are byte strings in the system's ANSI code page (GBK for Chinese); positions count
// bytes from 1. Only FindText knows about double-byte characters (lead byte above 0x80).
// Pure code: no platform headers, built for Windows and natively.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace text {

// 1-based position of the first match of `sought` at or after `start`, or -1.
// A match that would begin on the trail byte of a double-byte character is skipped.
int FindText(std::string_view text, std::string_view sought, int start, bool ignoreCase);

// The `count` bytes from byte position `start` (1-based); what runs past the end is cut.
// A start below 1 or beyond the end, or a count below 1, gives the empty text.
std::string MidText(std::string_view text, int start, int count);

// The last `count` bytes; the whole text when count exceeds its length.
std::string RightText(std::string_view text, int count);

// Pieces of `text` between occurrences of `separator` (default ","); maxCount 0 = no limit.
std::vector<std::string> SplitText(std::string_view text, std::string_view separator = ",", int maxCount = 0);

// Line n (from 1) where only CR LF ends a line; the empty text when there is no such line.
std::string LineOfText(std::string_view text, int n);

// The text between the first startMarker at or after `position` and the next endMarker.
// On success `position` becomes the first byte after the end marker, else 0.
std::string TextBetween(std::string_view text, std::string_view startMarker, std::string_view endMarker, int& position);

// A text ends at its first NUL byte.
std::string_view UpToNul(std::string_view bytes);

}  // namespace text
