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

    kStrCopying = 59144,             ///< progress text of a load that copies
    kStrMoving = 59145,              ///< progress text of a load that moves
    kMsgWriteError = 59148,          ///< a file transfer failed and was rolled back
    kMsgCannotOpenPages = 59165,     ///< the library pages could not be opened
    kStrLoadCaption = 59161,         ///< caption of a camera load's progress window
    kStrLoadOtherCaption = 59162,    ///< caption of the load of other images
    kStrWatcherEntryName = 59169,    ///< name of the watcher's autostart entry
    kStrDefaultColour = 59170,       ///< colour pattern chosen with a new template
    kStrOn = 59172,
    kStrOff = 59173,
    kStrCountSuffix = 59174,
    kStrCardRecognized = 59189,      ///< confirmation before a camera load
    kStrConfirmCaption = 59190,      ///< its caption
    kStrCardRecognizedAuto = 59191,  ///< confirmation before an automatic load
    kStrUnassigned = 59194,          ///< the day entry of a load date without a day
    kStrRebuilding = 59196,          ///< wait window title while the index is relocated
    kStrCreatingHtml = 59197,        ///< wait window title while a load writes the pages
    kStrHtmlBeingCreated = 59199,
    kStrLibraryRebuilt = 59198,
    kStrPleaseWait = 59200,
};

/// The text of a string number; empty for a number the table does not hold.
std::string_view text(int id);

/// The full month name, monthIndex 0..11; empty outside that range.
std::string_view monthName(int monthIndex);

// The fixed texts of the loading dialogs (they are dialog resources, not
// numbered strings).
/// "Loading error": pictures without a recording date.
inline constexpr std::string_view kUndatedCaption = "Loading error";
inline constexpr std::string_view kUndatedText =
    "Recorded date information of some files is not known.\nSpecify the sorting method for these files.";
inline constexpr std::string_view kUndatedByFileDate = "Sort by date information of a file";
inline constexpr std::string_view kUndatedByDate = "Sort by date";
/// The load date dialog.
inline constexpr std::string_view kLoadDateCaption = "Load date confirmation";
/// The title dialog.
inline constexpr std::string_view kTitleCaption = "Enter title";
inline constexpr std::string_view kTitleFolderLabel = "Target folder for loading";
inline constexpr std::string_view kTitleFieldLabel = "Title(&T)";
/// The load date dialog's lists.
inline constexpr std::string_view kLoadDateYear = "Year(&Y)";
inline constexpr std::string_view kLoadDateMonth = "Month(&M)";
inline constexpr std::string_view kLoadDateDay = "Day(&D)";
/// The folder choice: which of several camera folders to load, in which order.
inline constexpr std::string_view kFolderChoiceCaption = "Load images in camera";
inline constexpr std::string_view kFolderChoiceFound = "A DCF compatible image folder/image folder has been found";
inline constexpr std::string_view kFolderChoiceHint = "Add folder to be loaded to folder list";
inline constexpr std::string_view kFolderChoiceFoundList = "List of folders found(&F)";
inline constexpr std::string_view kFolderChoiceList = "Folder list(&L)";
inline constexpr std::string_view kFolderChoiceAdd = "Add(&A)>>";
inline constexpr std::string_view kFolderChoiceDelete = "<<Delete(&D)";
inline constexpr std::string_view kFolderChoiceLoad = "Load(&G)";
/// Buttons of the dialogs and the caption of the program's message boxes.
inline constexpr std::string_view kButtonOk = "OK";
inline constexpr std::string_view kButtonCancel = "Cancel";
inline constexpr std::string_view kButtonSuspend = "Suspend";
inline constexpr std::string_view kMessageCaption = "Lumbrel";

/// The mail software of a library made while none is chosen.
inline constexpr std::string_view kNoMailSoftware = "Email software is not assigned";

}  // namespace lumbrel::app
