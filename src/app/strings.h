#pragma once
// The program's string table: every text shown to the user, by number, so that
// the GUI and the CLI say the same thing for the same event.

#include <string_view>

namespace lumbrel::app {

enum StringId : int {
    kMsgWriteError = 59148,          ///< a file transfer failed and was rolled back
    kMsgCannotOpenPages = 59165,     ///< the library pages could not be opened
    kStrWatcherEntryName = 59169,    ///< name of the watcher's autostart entry
    kStrDefaultColour = 59170,       ///< colour pattern chosen with a new template
    kStrOn = 59172,
    kStrOff = 59173,
    kStrCountSuffix = 59174,
    kStrRebuilding = 59196,          ///< wait window title while the index is relocated
    kStrLibraryRebuilt = 59198,
    kStrPleaseWait = 59200,
};

/// The text of a string number; empty for a number the table does not hold.
std::string_view text(int id);

/// The mail software of a library made while none is chosen.
inline constexpr std::string_view kNoMailSoftware = "Email software is not assigned";

}  // namespace lumbrel::app
