#pragma once
// The program's string table: every text shown to the user, by number, so that
// the GUI and the CLI say the same thing for the same event.

#include <string_view>

namespace lumbrel::app {

enum StringId : int {
    // The texts of the library web site's pages.
    kTextCharset = 129,              ///< character set the pages declare
    kTextMonthListTitle = 130,       ///< "The list of %s/%s" (year, month number)
    kTextMonthListHint = 131,
    kTextDateHead = 132,
    kTextTitleHead = 133,
    kTextSampleHead = 134,
    kTextFrameTitle = 135,
    kTextNoFrames = 136,             ///< ends in CR LF
    kTextStartHeading = 137,
    kTextLibrariesLine1 = 138,
    kTextLibrariesLine2 = 139,
    kTextNoLibraryLine1 = 140,
    kTextNoLibraryLine2 = 141,
    kTextPageAltered = 142,          ///< "%s" names the page
    kTextYear = 144,                 ///< "%s"
    kTextJanuary = 145,              ///< 145..156: January..December
    kTextCopiesHead = 157,
    kTextCopies = 158,               ///< "%d copies"

    kMsgNoImagesFound = 256,         ///< a camera load found no camera folder
    kStrAutoLoadCaption = 59143,     ///< caption of the automatic load's windows

    kMsgWriteError = 59148,          ///< a file transfer failed and was rolled back
    kMsgCannotOpenPages = 59165,     ///< the library pages could not be opened
    kStrWatcherEntryName = 59169,    ///< name of the watcher's autostart entry
    kStrDefaultColour = 59170,       ///< colour pattern chosen with a new template
    kStrOn = 59172,
    kStrOff = 59173,
    kStrCountSuffix = 59174,
    kStrCardRecognized = 59189,      ///< confirmation before a camera load
    kStrConfirmCaption = 59190,      ///< its caption
    kStrCardRecognizedAuto = 59191,  ///< confirmation before an automatic load
    kStrRebuilding = 59196,          ///< wait window title while the index is relocated
    kStrLibraryRebuilt = 59198,
    kStrPleaseWait = 59200,
};

/// The text of a string number; empty for a number the table does not hold.
std::string_view text(int id);

/// The full month name, monthIndex 0..11; empty outside that range.
std::string_view monthName(int monthIndex);

/// The mail software of a library made while none is chosen.
inline constexpr std::string_view kNoMailSoftware = "Email software is not assigned";

}  // namespace lumbrel::app
