#pragma once
// The texts the library web pages are made of, by their string number. They
// live here so that the page writer does not depend on the program's own
// string table.

#include <string_view>

namespace lumbrel::web {

/// Numbers of the texts the pages use.
enum PageText : int {
    kTextCharset = 129,          ///< character set the pages declare
    kTextMonthListTitle = 130,   ///< "The list of %s/%s" (year, month number)
    kTextMonthListHint = 131,
    kTextDateHead = 132,
    kTextTitleHead = 133,
    kTextSampleHead = 134,
    kTextFrameTitle = 135,
    kTextNoFrames = 136,         ///< ends in CR LF
    kTextStartHeading = 137,
    kTextLibrariesLine1 = 138,
    kTextLibrariesLine2 = 139,
    kTextNoLibraryLine1 = 140,
    kTextNoLibraryLine2 = 141,
    kTextPageAltered = 142,      ///< "%s" names the page
    kTextYear = 144,             ///< "%s"
    kTextJanuary = 145,          ///< 145..156: January..December
    kTextCopiesHead = 157,
    kTextCopies = 158,           ///< "%d copies"
};

/// The text with that number; empty for a number the pages do not use.
std::string_view pageText(int number);

/// The full month name, monthIndex 0..11; empty outside that range.
std::string_view monthName(int monthIndex);

}  // namespace lumbrel::web
