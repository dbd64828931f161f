#pragma once
// UTF-8 text helpers. Paths and library keys are compared ignoring letter case;
// these helpers fold case code point by code point, so a multi-byte character is
// never split or mistaken for ASCII. Bytes that are not valid UTF-8 compare as
// themselves.

#include <cstddef>
#include <string>
#include <string_view>

namespace lumbrel::platform {

/// Compares a and b ignoring letter case: <0, 0 or >0. Case is folded to lower
/// case (ASCII, Latin-1, Latin Extended-A, Greek and Cyrillic); the folded code
/// points are compared in order, a shorter text that is a prefix sorts first.
int compareNoCase(std::string_view a, std::string_view b);

/// True when a and b are equal ignoring letter case.
bool equalNoCase(std::string_view a, std::string_view b);

/// The text with its letter case folded, one value per unit: equalNoCase(a, b)
/// exactly when foldedText(a) == foldedText(b). A key for hash look-ups.
std::u32string foldedText(std::string_view text);

/// Byte offset of the first occurrence of needle in hay at or after byte offset
/// `from`, ignoring letter case; std::string_view::npos when there is none. An
/// occurrence always starts and ends on code point boundaries.
std::size_t findNoCase(std::string_view hay, std::string_view needle, std::size_t from = 0);

bool startsWithNoCase(std::string_view text, std::string_view prefix);
bool endsWithNoCase(std::string_view text, std::string_view suffix);

/// The longest prefix of text that is at most maxBytes long and does not end in
/// the middle of a code point.
std::string_view truncateUtf8(std::string_view text, std::size_t maxBytes);

/// Number of code points in text (an invalid byte counts as one).
std::size_t codePointCount(std::string_view text);

/// Shortens a path for a narrow label. Text of at most longerThan bytes is
/// returned whole; longer text becomes its first prefixBytes bytes (cut back to
/// a code point boundary), "...", and the shortest tail that is at least
/// minTailBytes long, found by stepping backwards one code point at a time from
/// the end.
std::string shortenMiddle(std::string_view text, std::size_t longerThan, std::size_t prefixBytes,
                          std::size_t minTailBytes);

}  // namespace lumbrel::platform
