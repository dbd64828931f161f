#include "app/strings.h"

#include <algorithm>
#include <array>
#include <utility>

namespace lumbrel::app {

namespace {

constexpr std::array<std::pair<int, std::string_view>, 80> kTable{{
    // The pages declare UTF-8 because every text this program handles is
    // UTF-8; any other declaration would garble non-ASCII titles.
    {kTextCharset, "utf-8"},
    {kTextMonthListTitle, "The list of %s/%s"},
    {kTextMonthListHint, "(You can view the library for a date by clicking on the date or title)"},
    {kTextDateHead, "Date"},
    {kTextTitleHead, "Title"},
    {kTextSampleHead, "Sample view (Up to five displayed within library)"},
    {kTextFrameTitle, "View library"},
    {kTextNoFrames, "English capable browser that can display frames is required to view this page\r\n"},
    {kTextStartHeading, "View library"},
    {kTextLibrariesLine1, "Clicking the highlighted month in the calendar in the"},
    {kTextLibrariesLine2, "upper frame displays the list for that month in the frame"},
    {kTextNoLibraryLine1, "No library was found."},
    {kTextNoLibraryLine2, "Load an image and try again."},
    {kTextPageAltered,
     "%s\n\nThis file may have been modified using another editor or is corrupted. \n"
     "Using this file could damage other data. \nDo you want to quit using this file?"},
    {kTextYear, "%s"},
    {kTextJanuary, "January"},
    {kTextJanuary + 1, "February"},
    {kTextJanuary + 2, "March"},
    {kTextJanuary + 3, "April"},
    {kTextJanuary + 4, "May"},
    {kTextJanuary + 5, "June"},
    {kTextJanuary + 6, "July"},
    {kTextJanuary + 7, "August"},
    {kTextJanuary + 8, "September"},
    {kTextJanuary + 9, "October"},
    {kTextJanuary + 10, "November"},
    {kTextJanuary + 11, "December"},
    {kTextCopiesHead, "Number of copies"},
    {kTextCopies, "%d copies"},
    {kMsgNoImagesFound, "Could not find images to load."},
    {kStrAutoLoadCaption, "Lumbrel automatic loading"},
    {kStrCopying, "Copying files to be loaded..."},
    {kStrMoving, "Moving files to be loaded..."},
    {kStrCopyCaption, "Copy"},
    {kStrMoveCaption, "Move"},
    {kMsgWriteError, "An error occurred while writing library. \nProcessing will be aborted."},
    {kStrTabGeneral, "General"},
    {kStrTabCamera, "Load images in camera"},
    {kStrTabVersion, "Version"},
    {kStrBackgroundJoin, " / Background "},
    {kStrColumnDate, "Date"},
    {kStrColumnTitle, "Title"},
    {kStrColumnCount, "Number of images"},
    {kStrColumnTemplate, "Template"},
    {kStrColumnLocation, "Location"},
    {kMsgCannotOpenPages, "An error occurred.\nLibrary file cannot be opened"},
    {kStrLoadCaption, "Load images in camera"},
    {kStrLoadOtherCaption, "Load other images"},
    {kStrCopyPrompt, "Specify destination folder location"},
    {kStrMovePrompt, "Specify destination folder"},
    {kStrWatcherEntryName, "Lumbrel supervisory"},
    {kStrDefaultColour, "Green/Gray"},
    {kStrKilobytes, "KB"},
    {kStrOn, "ON"},
    {kStrOff, "OFF"},
    {kStrCountSuffix, " "},
    {kMsgNoCameraResponse,
     "No response from the camera.\nCheck if the camera is connected by a cable or is in PLAY mode\n"
     "and turn on the power again."},
    {kStrCopyingLibrary, "Copying file loaded..."},
    {kMsgCameraUnsupported,
     "This link software does not support the camera you are using.\nExit from the link software and restart a "
     "link software supporting the camera before using."},
    {kMsgBatteryLow, "Battery is running out.\nReplace it with a new one."},
    {kMsgFolderWithoutImages, "The specified folder does not include any image file."},
    {kStrReceivingFolders, "Receiving the folder name now!!"},
    {kStrNoFoldersReceived, "Unable to receive the folder name."},
    {kStrBatchCaption, "Batch"},
    {kStrFolderCaption, "Specified folder"},
    {kStrTransferring, "Data is being transferred from the camera..."},
    {kStrUnderTransfer, " is under transfer."},
    {kMsgCameraRecognized, "The camera was recognized."},
    {kStrCardRecognized, "Recognized card/camera\nStarting loading"},
    {kStrConfirmCaption, "Lumbrel"},
    {kStrCardRecognizedAuto, "Recognized card/camera\nStarting automatic loading"},
    {kStrMovingLibrary, "Moving files loaded..."},
    {kStrTabOption, "Option"},
    {kStrUnassigned, "Unassigned"},
    {kStrMoveRootCaption, "Moving the saving folder"},
    {kStrRebuilding, "Rebuilding"},
    {kStrCreatingHtml, "Creating an HTML file"},
    {kStrHtmlBeingCreated, "The HTML file is being created"},
    {kStrLibraryRebuilt, "The library is being rebuilt"},
    {kStrPleaseWait, "Please wait..."},
}};

}  // namespace

std::string_view text(int id) {
    const auto it = std::find_if(kTable.begin(), kTable.end(), [&](const auto& e) { return e.first == id; });
    return it == kTable.end() ? std::string_view{} : it->second;
}

std::string_view monthName(int monthIndex) {
    if (monthIndex < 0 || monthIndex > 11) return {};
    return text(kTextJanuary + monthIndex);
}

}  // namespace lumbrel::app
