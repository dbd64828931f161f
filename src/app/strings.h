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
    kStrCopyCaption = 59146,         ///< caption of the copy of libraries
    kStrMoveCaption = 59147,         ///< caption of the move of libraries
    kMsgWriteError = 59148,          ///< a file transfer failed and was rolled back
    kStrTabGeneral = 59150,          ///< the Setup page's tabs
    kStrTabCamera = 59151,
    kStrTabVersion = 59152,
    kStrBackgroundJoin = 59154,      ///< between a template's title and its colour
    kStrColumnDate = 59155,          ///< 59155..59159: the headers of the library list's columns
    kStrColumnTitle = 59156,
    kStrColumnCount = 59157,
    kStrColumnTemplate = 59158,
    kStrColumnLocation = 59159,
    kMsgCannotOpenPages = 59165,     ///< the library pages could not be opened
    kStrLoadCaption = 59161,         ///< caption of a camera load's progress window
    kStrLoadOtherCaption = 59162,    ///< caption of the load of other images
    kStrCopyPrompt = 59166,          ///< prompt of the copy's destination dialog
    kStrMovePrompt = 59167,          ///< prompt of the move's destination dialog
    kStrWatcherEntryName = 59169,    ///< name of the watcher's autostart entry
    kStrDefaultColour = 59170,       ///< colour pattern chosen with a new template
    kStrKilobytes = 59171,           ///< unit after a space figure
    kStrOn = 59172,
    kStrOff = 59173,
    kStrCountSuffix = 59174,
    kMsgNoCameraResponse = 59175,    ///< the serial camera did not answer (most link errors)
    kStrCopyingLibrary = 59177,      ///< progress text of the copy of libraries
    kMsgCameraUnsupported = 59178,   ///< the serial camera is not one this program can talk to
    kMsgBatteryLow = 59179,          ///< the serial camera's battery is running out
    kMsgFolderWithoutImages = 59180, ///< a camera folder without pictures or movies
    kStrReceivingFolders = 59181,    ///< the camera folder list while the camera is asked
    kStrNoFoldersReceived = 59182,   ///< the camera folder list when the camera gave none
    kStrBatchCaption = 59183,        ///< progress caption of a transfer of every camera folder
    kStrFolderCaption = 59184,       ///< progress caption of a transfer of one camera folder
    kStrTransferring = 59185,        ///< progress text of a serial transfer
    kStrUnderTransfer = 59186,       ///< after the folder name in a batch's status line
    kMsgCameraRecognized = 59187,    ///< the connection test found the camera
    kStrCardRecognized = 59189,      ///< confirmation before a camera load
    kStrConfirmCaption = 59190,      ///< its caption
    kStrCardRecognizedAuto = 59191,  ///< confirmation before an automatic load
    kStrMovingLibrary = 59192,       ///< progress text of a move of libraries
    kStrTabOption = 59193,           ///< the Setup page's Option tab
    kStrUnassigned = 59194,          ///< the day entry of a load date without a day
    kStrMoveRootCaption = 59195,     ///< caption of the move of the image library root
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
// The fixed texts of the library maintenance dialogs.
/// 159: the title of one library.
inline constexpr std::string_view kChangeTitleCaption = "Change title";
inline constexpr std::string_view kChangeTitlePrompt = "Enter the library title.";
/// 150: rebuild the selected libraries.
inline constexpr std::string_view kRebuildCaption = "Rebuild";
inline constexpr std::string_view kRebuildSelectedLine1 = "Rebuild library selected";
inline constexpr std::string_view kRebuildSelectedLine2 =
    "Working will not be possible while processing. Do you want to rebuild the library?";
/// 273: rebuild every library with the current options.
inline constexpr std::string_view kRebuildAllLine1 = "Add options to the library";
inline constexpr std::string_view kRebuildAllLine2 =
    "Processing will take much time and current work will be unable to continue. Are you sure you want to "
    "rebuild the library?";
inline constexpr std::string_view kRebuildAllLine3 = "Note: Templates type 2 and 4 do not include a Mail button";
/// 154, 155, 156: delete libraries.
inline constexpr std::string_view kDeleteCaption = "Delete";
inline constexpr std::string_view kDeleteLibrariesText =
    "        Delete the selected library\n        Time is required for processing";
inline constexpr std::string_view kDeleteOrdinaryText =
    "The library to be deleted contains image files.\nDeletion will erase all the files in the library.\nDelete "
    "library?";
inline constexpr std::string_view kDeleteShortcutText =
    "The library you tried to delete was made by a shortcut.\nThe referenced image file will not be deleted.\nDo "
    "you want to delete this library?";
inline constexpr std::string_view kDeleteYes = "Yes(&Y)";
inline constexpr std::string_view kDeleteAllOrdinary = "Delete all(&A)";
inline constexpr std::string_view kDeleteAllShortcut = "Delete All(&A)";
inline constexpr std::string_view kDeleteNo = "No(&N)";
/// 262, 279: delete marked images.
inline constexpr std::string_view kDeleteImagesLine1 = "    Delete the selected images";
inline constexpr std::string_view kDeleteImagesLine2 = "    Processing will take time";
inline constexpr std::string_view kReadOnlyCaption = "Confirmation for Deletion";
inline constexpr std::string_view kReadOnlyText = "The file is a read-only file. Are you sure you want to delete it?";
/// 163, 164, 260: no room at the destination.
inline constexpr std::string_view kNoRoomLine1 = "Insufficient free space at destination.";
inline constexpr std::string_view kNoRoomLine2 = "Increase free space.";
inline constexpr std::string_view kNoRoomRootLine1 = "Insufficient disk space at destination specified.";
inline constexpr std::string_view kNoRoomRootLine2 = "Increase the available disk space.";
/// 162 and 160: the destination folder.
inline constexpr std::string_view kVolumeSelectedLabel = "The volume of the selected library";
inline constexpr std::string_view kVolumeLibraryLabel = "The volume of Image Library";
inline constexpr std::string_view kFreeSpaceLabel = "Free space in drive specified";
inline constexpr std::string_view kSaveFolderCaption = "Specify folder";
inline constexpr std::string_view kSaveFolderPrompt = "Specify location of folder to save library";
inline constexpr std::string_view kSaveFolderOk = "Select folder";

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
